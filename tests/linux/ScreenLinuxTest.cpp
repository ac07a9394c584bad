// The screen the picture is chosen and fitted for: the primary monitor, not
// the X screen that spans every monitor; nothing at all without a display.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Screen.h"

namespace {

// Sets an environment variable for the length of a scope.
class EnvScope {
public:
    EnvScope(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        had_ = std::getenv(name) != nullptr;
        ::setenv(name, value, 1);
    }
    ~EnvScope()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// A virtual monitor the size given; removed again at the end.
class Monitor {
public:
    Monitor(Display* d, const char* name, int x, int w, int h, bool primary) : d_(d)
    {
        name_ = XInternAtom(d, name, False);
        std::unique_ptr<XRRMonitorInfo, int (*)(void*)> m(XRRAllocateMonitor(d, 0), &XFree);
        m->name = name_;
        m->primary = primary;
        m->x = x;
        m->width = w;
        m->height = h;
        m->mwidth = w / 4;
        m->mheight = h / 4;
        XRRSetMonitor(d, DefaultRootWindow(d), m.get());
        XSync(d, False);
    }
    ~Monitor()
    {
        XRRDeleteMonitor(d_, DefaultRootWindow(d_), name_);
        XSync(d_, False);
    }
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

private:
    Display* d_;
    Atom name_ = 0;
};

} // namespace

TEST(PrimaryScreenSize, ThePrimaryMonitorOfSeveral)
{
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), &XCloseDisplay);
    if (!display)
        GTEST_SKIP() << "no X display";
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display.get(), &event, &error) || !XRRQueryVersion(display.get(), &major, &minor) ||
        (major == 1 && minor < 5))
        GTEST_SKIP() << "no RandR 1.5";
    const Monitor left(display.get(), "PICTAVO-LEFT", 0, 640, 480, false);
    const Monitor right(display.get(), "PICTAVO-RIGHT", 640, 320, 200, true);
    const platform::ScreenSize s = platform::PrimaryScreenSize();
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 200);
}

TEST(PrimaryScreenSize, NoDisplayIsZeroByZero)
{
    const EnvScope noDisplay("DISPLAY", ":65000");
    const platform::ScreenSize s = platform::PrimaryScreenSize();
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, 0);
}
