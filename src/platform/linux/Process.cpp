#include "platform/Process.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

#include "platform/linux/ProcExe.h"

namespace platform {

std::string ParentProcessImagePath()
{
    return linuxdesk::ReadExeLink("/proc/" + std::to_string(::getppid()) + "/exe");
}

bool TrayOnlyStartRequested()
{
    const char* value = std::getenv(kTrayOnlyStartVariable);
    const bool requested = value && std::string_view(value) == "1";
    ::unsetenv(kTrayOnlyStartVariable);
    return requested;
}

} // namespace platform
