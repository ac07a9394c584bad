#include "platform/Screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/linux/LinuxScreen.h"

namespace platform {
namespace {

struct MonitorsFree {
    void operator()(XRRMonitorInfo* m) const noexcept { XRRFreeMonitors(m); }
};

// The screen is the process's: the main thread writes it, any thread reads
// it. Both sides in one word, so a reader never sees half of a change.
std::atomic<std::uint64_t> Published {0};

} // namespace

ScreenSize PrimaryScreenSize()
{
    const std::uint64_t both = Published.load(std::memory_order_relaxed);
    return {static_cast<int>(both >> 32), static_cast<int>(both & 0xFFFFFFFFu)};
}

namespace linuxscreen {

void PublishPrimaryScreenSize(ScreenSize size)
{
    const auto side = [](int v) { return static_cast<std::uint64_t>(std::max(v, 0)); };
    Published.store(side(size.width) << 32 | side(size.height), std::memory_order_relaxed);
}

ScreenSize X11PrimaryScreenSize(Display* d)
{
    if (!d)
        return {};
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

} // namespace linuxscreen
} // namespace platform
