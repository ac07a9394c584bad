#include "platform/Process.h"

#include <string>
#include <unistd.h>

namespace platform {

std::string ParentProcessImagePath()
{
    const std::string link = "/proc/" + std::to_string(::getppid()) + "/exe";
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size())
        return {};
    buf.resize(static_cast<std::size_t>(n));
    // The kernel marks an image replaced or removed since the start.
    constexpr std::string_view deleted = " (deleted)";
    if (buf.size() > deleted.size() && buf.compare(buf.size() - deleted.size(), deleted.size(), deleted) == 0)
        return {};
    return buf;
}

} // namespace platform
