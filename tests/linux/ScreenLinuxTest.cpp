// The screen the picture is chosen and fitted for: on X11 the primary
// monitor, not the X screen that spans every monitor; on Wayland the output's
// mode in real pixels, as the panel is turned.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <wayland-client.h>

#include <memory>
#include <string>
#include <vector>

#include "OneOutputCompositor.h"
#include "platform/linux/LinuxScreen.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

using namespace platform::linuxscreen;

namespace {

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
    const platform::ScreenSize s = X11PrimaryScreenSize(display.get());
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 200);
}

namespace {

// A headless Weston with one 1920 x 1080 output at scale 2, turned a quarter;
// ended with the object.
class TurnedWeston {
public:
    explicit TurnedWeston(const std::string& runtimeDir) : socket_(runtimeDir + "pictavo-test")
    {
        gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", runtimeDir.c_str(), TRUE);
        const std::string name = "--socket=pictavo-test";
        gchar* argv[] = {const_cast<gchar*>("weston"), const_cast<gchar*>("--backend=headless-backend.so"),
                         const_cast<gchar*>("--width=1920"), const_cast<gchar*>("--height=1080"),
                         const_cast<gchar*>("--scale=2"), const_cast<gchar*>("--transform=rotate-90"),
                         const_cast<gchar*>("--no-config"), const_cast<gchar*>(name.c_str()), nullptr};
        started_ = g_spawn_async(nullptr, argv, env,
                                 static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                          G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                                 nullptr, nullptr, &pid_, nullptr);
        g_strfreev(env);
    }
    ~TurnedWeston()
    {
        if (!started_)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    TurnedWeston(const TurnedWeston&) = delete;
    TurnedWeston& operator=(const TurnedWeston&) = delete;

    // Its socket, once it listens.
    std::string Socket() const
    {
        return started_ && testing_support::WaitForFile(socket_) ? socket_ : std::string();
    }

private:
    std::string socket_;
    GPid pid_ = 0;
    bool started_ = false;
};

} // namespace

TEST(WaylandOutputs, ModeIsRealPixelsTurnedAsShown)
{
    if (gchar* weston = g_find_program_in_path("weston"))
        g_free(weston);
    else
        GTEST_SKIP() << "weston is not installed (scripts/deps.sh installs it)";
    const testing_support::TempDir dir;
    const TurnedWeston weston(dir.path());
    const std::string socket = weston.Socket();
    ASSERT_FALSE(socket.empty());
    const std::unique_ptr<wl_display, void (*)(wl_display*)> display(wl_display_connect(socket.c_str()),
                                                                     &wl_display_disconnect);
    ASSERT_TRUE(display);
    WaylandOutputs outputs(display.get());
    const std::vector<WaylandOutput> seen = outputs.Read();
    ASSERT_EQ(seen.size(), 1u);
    // Not 1080 x 1920 (logical) nor 3840 x 2160 (the panel unturned).
    EXPECT_EQ(seen[0].size.width, 2160);
    EXPECT_EQ(seen[0].size.height, 3840);
    EXPECT_EQ(seen[0].make, "weston");
}

namespace {

// The sizes WaylandOutputs reads from a compositor that describes its one
// output as given.
std::vector<platform::ScreenSize> ReadOutput(int transform, std::vector<testing_support::OneOutputCompositor::Mode> modes,
                                             std::uint32_t version = 2)
{
    testing_support::OneOutputCompositor compositor(transform, std::move(modes), version);
    const std::unique_ptr<wl_display, void (*)(wl_display*)> display(
        wl_display_connect_to_fd(compositor.TakeClientSocket()), &wl_display_disconnect);
    std::vector<platform::ScreenSize> sizes;
    if (!display)
        return sizes;
    WaylandOutputs outputs(display.get());
    for (const WaylandOutput& o : outputs.Read())
        sizes.push_back(o.size);
    return sizes;
}

} // namespace

namespace platform {
inline bool operator==(const ScreenSize& a, const ScreenSize& b) { return a.width == b.width && a.height == b.height; }
inline void PrintTo(const ScreenSize& s, std::ostream* os) { *os << s.width << " x " << s.height; }
} // namespace platform

// Every turn a panel can have, flipped or not, by both protocol versions we
// bind (before version 2 nothing says the description is complete).
TEST(WaylandOutputs, EveryTurnReadTheWayTheModeIsShown)
{
    constexpr std::uint32_t current = WL_OUTPUT_MODE_CURRENT | WL_OUTPUT_MODE_PREFERRED;
    for (const std::uint32_t version : {1u, 2u})
        for (int transform = WL_OUTPUT_TRANSFORM_NORMAL; transform <= WL_OUTPUT_TRANSFORM_FLIPPED_270; ++transform) {
            const bool quarter = transform == WL_OUTPUT_TRANSFORM_90 || transform == WL_OUTPUT_TRANSFORM_270 ||
                                 transform == WL_OUTPUT_TRANSFORM_FLIPPED_90 ||
                                 transform == WL_OUTPUT_TRANSFORM_FLIPPED_270;
            const platform::ScreenSize expected = quarter ? platform::ScreenSize {1080, 1920}
                                                          : platform::ScreenSize {1920, 1080};
            EXPECT_EQ(ReadOutput(transform, {{current, 1920, 1080}}, version),
                      std::vector<platform::ScreenSize> {expected})
                << "transform " << transform << ", version " << version;
        }
}

// A 4K panel run at 1920 x 1080: the mode it runs at, wherever the compositor
// lists it among the others.
TEST(WaylandOutputs, TheCurrentModeNotThePreferredOne)
{
    using Mode = testing_support::OneOutputCompositor::Mode;
    const std::vector<platform::ScreenSize> fullHd {{1920, 1080}};
    EXPECT_EQ(ReadOutput(WL_OUTPUT_TRANSFORM_NORMAL, {Mode {WL_OUTPUT_MODE_PREFERRED, 3840, 2160},
                                                      Mode {WL_OUTPUT_MODE_CURRENT, 1920, 1080},
                                                      Mode {0, 1280, 720}}),
              fullHd);
    EXPECT_EQ(ReadOutput(WL_OUTPUT_TRANSFORM_NORMAL, {Mode {WL_OUTPUT_MODE_CURRENT, 1920, 1080},
                                                      Mode {WL_OUTPUT_MODE_PREFERRED, 3840, 2160}}),
              fullHd);
}

// The output a GDK monitor stands for: found by its place, by its names where
// outputs mirror each other, by its index when the compositor reports places
// GDK does not.
TEST(WaylandOutputs, MonitorsMatchTheirOutputs)
{
    const std::vector<WaylandOutput> outputs {
        {0, 0, "Acme", "Panel", {3840, 2160}},
        {1920, 0, "Acme", "Panel", {2560, 1440}},
        {1920, 0, "Other", "Projector", {1280, 720}},
    };
    EXPECT_EQ(MatchOutput(outputs, {1920, 0, "Acme", "Panel", 0}), 1u);
    EXPECT_EQ(MatchOutput(outputs, {1920, 0, "Other", "Projector", 0}), 2u);
    EXPECT_EQ(MatchOutput(outputs, {1920, 0, "Unknown", "", 0}), 1u);
    EXPECT_EQ(MatchOutput(outputs, {500, 500, "Acme", "Panel", 2}), 2u);
    EXPECT_EQ(MatchOutput(outputs, {500, 500, "Acme", "Panel", 3}), std::nullopt);
    EXPECT_EQ(MatchOutput({}, {}), std::nullopt);
}
