#include "platform/AnsiCodePage.h"

#include <windows.h>

namespace platform {

bool IsAnsiLeadByte(unsigned code)
{
    return code < 256 && ::IsDBCSLeadByte(static_cast<BYTE>(code)) != FALSE;
}

} // namespace platform
