#pragma once
// Tells the user what happened away from the window (a pick that failed, a
// tray command with nothing to do): a desktop notification sent by the
// application, with our icon. The Windows edition shows a tray balloon.
#include <gio/gio.h>

#include <string>

#include "engine/PickFailure.h"

namespace app::gtk {

class TUserNotice {
public:
    explicit TUserNotice(GApplication* app) : App_(app) {}

    // Main thread. A notice with the same id replaces the one still shown.
    void Show(const std::string& id, const std::string& title, const std::string& body) const;

    // Any thread: the notice is handed to the main thread.
    void ShowPickFailure(const engine::PickFailure& failure) const;

private:
    GApplication* App_;
};

// The words the user reads about a failed pick, in their language.
std::string PickFailureTitle();
std::string PickFailureText(const engine::PickFailure& failure);

} // namespace app::gtk
