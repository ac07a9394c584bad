#pragma once
// What a click on the tray icon does, decided the same way on both editions.

namespace app {

enum class TrayClickAction {
    Restore, // the window is minimised: restore it, nothing else
    Hide,    // the window is visible: hide it to the tray
    Show,    // the window is hidden: show it and bring it forward
};

constexpr TrayClickAction DecideTrayClick(bool minimised, bool visible)
{
    if (minimised)
        return TrayClickAction::Restore;
    return visible ? TrayClickAction::Hide : TrayClickAction::Show;
}

} // namespace app
