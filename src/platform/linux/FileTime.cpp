#include "platform/FileTime.h"

#include <sys/stat.h>

namespace platform {

std::int64_t FileWriteTime(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 10'000'000 + st.st_mtim.tv_nsec / 100;
}

} // namespace platform
