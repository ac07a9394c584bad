#pragma once
// Where hiding to the tray would lose the window: without a notification area
// to bring it back from, the window is minimised instead.

namespace app {

enum class HideToTrayAction {
    Hide,     // a tray icon can show it again
    Iconify,  // nothing shows a tray icon: keep the window on the taskbar
};

constexpr HideToTrayAction DecideHideToTray(bool notificationAreaPresent)
{
    return notificationAreaPresent ? HideToTrayAction::Hide : HideToTrayAction::Iconify;
}

} // namespace app
