#include "platform/AnsiCodePage.h"

namespace platform {

// Linux has no ANSI code page: every text is UTF-8.
bool IsAnsiLeadByte(unsigned)
{
    return false;
}

} // namespace platform
