#include "platform/Screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <memory>

namespace platform {
namespace {

struct MonitorsFree {
    void operator()(XRRMonitorInfo* m) const noexcept { XRRFreeMonitors(m); }
};

} // namespace

ScreenSize PrimaryScreenSize()
{
    // Each call asks the server afresh: the screen may change while the client runs.
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), &XCloseDisplay);
    if (!display)
        return {};
    Display* d = display.get();
    const int screen = DefaultScreen(d);
    // With several monitors the X screen spans them all; the picture is for
    // the primary one (else the first one lit).
    int event = 0, error = 0, major = 0, minor = 0;
    if (XRRQueryExtension(d, &event, &error) && XRRQueryVersion(d, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        const std::unique_ptr<XRRMonitorInfo, MonitorsFree> monitors(
            XRRGetMonitors(d, RootWindow(d, screen), True, &count));
        const XRRMonitorInfo* chosen = nullptr;
        for (int i = 0; monitors && i < count; ++i)
            if (monitors.get()[i].width > 0 && monitors.get()[i].height > 0 &&
                (!chosen || (monitors.get()[i].primary && !chosen->primary)))
                chosen = &monitors.get()[i];
        if (chosen)
            return {chosen->width, chosen->height};
    }
    return {DisplayWidth(d, screen), DisplayHeight(d, screen)};
}

} // namespace platform
