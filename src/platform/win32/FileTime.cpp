#include "platform/FileTime.h"

#include <windows.h>

#include "platform/win32/WinText.h"

namespace platform {

std::int64_t FileWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!::GetFileAttributesExW(win::Wide(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    const std::int64_t ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               data.ftLastWriteTime.dwLowDateTime;
    return ticks - 116'444'736'000'000'000;   // 1601 -> 1970
}

} // namespace platform
