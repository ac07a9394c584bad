#include "platform/linux/ProcExe.h"

#include <string_view>
#include <unistd.h>

namespace platform::linuxdesk {

std::string ReadExeLink(const std::string& link)
{
    std::string buf(4096, '\0');
    const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size())
        return {};
    buf.resize(static_cast<std::size_t>(n));
    constexpr std::string_view deleted = " (deleted)";
    if (buf.size() > deleted.size() && buf.compare(buf.size() - deleted.size(), deleted.size(), deleted) == 0)
        buf.resize(buf.size() - deleted.size());
    return buf;
}

} // namespace platform::linuxdesk
