#pragma once
// One interactive client per session, also while one is closing: a client on
// its way out gives up the application's name at once, so a start meanwhile
// becomes the next client instead of handing over to one that would ignore
// it, and that next client waits until the old one has gone.
#include <gio/gio.h>

namespace app::gtk {

// Ends the main loop of the client, giving up its name first.
void QuitClient(GApplication* app);

// Gives up the application's name for the closing one (held until the process
// ends). Nothing for an application that holds no name.
void LeaveClientName(GApplication* app);

// Waits until no earlier client is closing, for a while at most; incoming
// starts wait on the bus meanwhile.
void WaitForClosingClient(GApplication* app);

} // namespace app::gtk
