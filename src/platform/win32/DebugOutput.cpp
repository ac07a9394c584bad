#include "platform/DebugOutput.h"

#include <windows.h>

#include "platform/win32/WinText.h"

namespace platform {

void DebugOutput(const std::string& line)
{
    ::OutputDebugStringW(win::Wide(line).c_str());
}

} // namespace platform
