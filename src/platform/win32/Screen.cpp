#include "platform/Screen.h"

#include <windows.h>

#include "platform/win32/DisplayMode.h"

namespace platform {

namespace win {

std::optional<ScreenSize> CurrentDisplayMode()
{
    DEVMODEW mode {};
    mode.dmSize = sizeof(mode);
    if (!::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        return std::nullopt;
    return ScreenSize {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight)};
}

ScreenSize ChooseScreenSize(std::optional<ScreenSize> displayMode, ScreenSize metrics)
{
    if (displayMode && displayMode->width > 0 && displayMode->height > 0)
        return *displayMode;
    return metrics;
}

} // namespace win

ScreenSize PrimaryScreenSize()
{
    return win::ChooseScreenSize(win::CurrentDisplayMode(),
                                 {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
}

} // namespace platform
