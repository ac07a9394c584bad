#include "platform/Screen.h"

#include <X11/Xlib.h>

#include <memory>

namespace platform {

ScreenSize PrimaryScreenSize()
{
    // Each call asks the server afresh: the screen may change while the client runs.
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), &XCloseDisplay);
    if (!display)
        return {};
    const int screen = DefaultScreen(display.get());
    return {DisplayWidth(display.get(), screen), DisplayHeight(display.get(), screen)};
}

} // namespace platform
