#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"
#include "support/TempDir.h"

namespace {

using platform::WallpaperStyle;
using namespace platform::linuxdesk;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << '(' << c.r << ',' << c.g << ',' << c.b << ')'; }

// Left half `left`, right half `right`.
std::string WritePicture(const testing_support::TempDir& dir, const std::string& name, int w, int h, Rgb left,
                         Rgb right)
{
    const GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb& c = x < w / 2 ? left : right;
            guchar* p = pixels + y * stride + x * 3;
            p[0] = static_cast<guchar>(c.r);
            p[1] = static_cast<guchar>(c.g);
            p[2] = static_cast<guchar>(c.b);
        }
    const std::string path = dir.path() + name;
    EXPECT_TRUE(gdk_pixbuf_save(pixbuf.get(), path.c_str(), "png", nullptr, nullptr));
    return path;
}

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

// Pixels of the pixmap the root window currently names as its background.
class RootBackground {
public:
    RootBackground() : display_(XOpenDisplay(nullptr)) {}
    bool ok() const { return display_ != nullptr; }

    Pixmap Property(const char* name) const
    {
        Display* d = display_.get();
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Pixmap result = None;
        if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, name, False), 0, 1, False, XA_PIXMAP, &type,
                               &format, &count, &after, &data) == Success && count == 1)
            result = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
        if (data)
            XFree(data);
        return result;
    }

    bool PixmapExists(Pixmap pixmap) const
    {
        xcb_connection_t* c = XGetXCBConnection(display_.get());
        xcb_generic_error_t* error = nullptr;
        xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), &error);
        const bool exists = reply != nullptr;
        std::free(reply);
        std::free(error);
        return exists;
    }

    // Samples of the current background at the given points.
    std::vector<Rgb> Sample(const std::vector<std::pair<int, int>>& points) const
    {
        Display* d = display_.get();
        const Pixmap pixmap = Property("_XROOTPMAP_ID");
        std::vector<Rgb> colours;
        if (pixmap == None)
            return colours;
        XImage* image = XGetImage(d, pixmap, 0, 0, static_cast<unsigned>(DisplayWidth(d, 0)),
                                  static_cast<unsigned>(DisplayHeight(d, 0)), AllPlanes, ZPixmap);
        if (!image)
            return colours;
        for (const auto& [x, y] : points) {
            const unsigned long p = XGetPixel(image, x, y);
            colours.push_back({static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                               static_cast<int>(p & 0xFF)});
        }
        XDestroyImage(image);
        return colours;
    }

    int width() const { return DisplayWidth(display_.get(), 0); }
    int height() const { return DisplayHeight(display_.get(), 0); }

private:
    std::unique_ptr<Display, DisplayCloser> display_;
};

constexpr Rgb kBlack {0, 0, 0};
constexpr Rgb kRed {255, 0, 0};
constexpr Rgb kBlue {0, 0, 255};
constexpr Rgb kGreen {0, 255, 0};

class RootWindowWallpaper : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!root.ok())
            GTEST_SKIP() << "no X display";
        if (root.width() != 1280 || root.height() != 800)
            GTEST_SKIP() << "expects the 1280x800 test screen";
    }
    RootBackground root;
    testing_support::TempDir dir;
};

TEST_F(RootWindowWallpaper, CentredPictureGetsBlackBorders)
{
    // 1280x320 centred on 1280x800: black bands of 240 rows above and below.
    const std::string wide = WritePicture(dir, "wide.png", 1280, 320, kRed, kBlue);
    ASSERT_TRUE(SetRootWindowWallpaper(wide, WallpaperStyle::Center));
    EXPECT_EQ(root.Sample({{10, 10}, {640, 239}, {10, 240}, {1270, 559}, {640, 560}, {1279, 799}}),
              (std::vector<Rgb> {kBlack, kBlack, kRed, kBlue, kBlack, kBlack}));

    // A small one sits in the middle with borders on all sides.
    const std::string small = WritePicture(dir, "small.png", 200, 100, kGreen, kGreen);
    ASSERT_TRUE(SetRootWindowWallpaper(small, WallpaperStyle::Center));
    EXPECT_EQ(root.Sample({{539, 400}, {540, 350}, {739, 449}, {740, 400}, {640, 349}, {640, 450}}),
              (std::vector<Rgb> {kBlack, kGreen, kGreen, kBlack, kBlack, kBlack}));

    // A bigger one is cropped: its centre is the screen's centre.
    const std::string big = WritePicture(dir, "big.png", 1600, 1000, kRed, kBlue);
    ASSERT_TRUE(SetRootWindowWallpaper(big, WallpaperStyle::Center));
    EXPECT_EQ(root.Sample({{0, 0}, {639, 400}, {640, 400}, {1279, 799}}),
              (std::vector<Rgb> {kRed, kRed, kBlue, kBlue}));
}

TEST_F(RootWindowWallpaper, StretchedPictureFillsTheScreen)
{
    const std::string tiny = WritePicture(dir, "tiny.png", 100, 50, kRed, kBlue);
    ASSERT_TRUE(SetRootWindowWallpaper(tiny, WallpaperStyle::Stretch));
    EXPECT_EQ(root.Sample({{0, 0}, {0, 799}, {600, 400}, {680, 400}, {1279, 0}, {1279, 799}}),
              (std::vector<Rgb> {kRed, kRed, kRed, kBlue, kBlue, kBlue}));

    // One of the screen's own size is taken as it is, to the last column.
    const std::string exact = WritePicture(dir, "exact.png", 1280, 800, kGreen, kBlue);
    ASSERT_TRUE(SetRootWindowWallpaper(exact, WallpaperStyle::Stretch));
    EXPECT_EQ(root.Sample({{0, 0}, {639, 799}, {640, 0}, {1279, 799}}),
              (std::vector<Rgb> {kGreen, kGreen, kBlue, kBlue}));
}

TEST_F(RootWindowWallpaper, PublishesItsPixmapAndFreesThePreviousOne)
{
    const std::string first = WritePicture(dir, "first.png", 64, 64, kRed, kRed);
    const std::string second = WritePicture(dir, "second.png", 64, 64, kBlue, kBlue);
    ASSERT_TRUE(SetRootWindowWallpaper(first, WallpaperStyle::Stretch));
    const Pixmap before = root.Property("_XROOTPMAP_ID");
    ASSERT_NE(before, static_cast<Pixmap>(None));
    EXPECT_EQ(root.Property("ESETROOT_PMAP_ID"), before);
    EXPECT_TRUE(root.PixmapExists(before)) << "the pixmap must outlive the setter's connection";

    ASSERT_TRUE(SetRootWindowWallpaper(second, WallpaperStyle::Stretch));
    const Pixmap after = root.Property("_XROOTPMAP_ID");
    EXPECT_NE(after, before);
    EXPECT_EQ(root.Property("ESETROOT_PMAP_ID"), after);
    EXPECT_FALSE(root.PixmapExists(before)) << "the previous pixmap leaks";
    EXPECT_EQ(root.Sample({{5, 5}}), std::vector<Rgb> {kBlue});
}

TEST_F(RootWindowWallpaper, RefusesWhatItCannotDecode)
{
    EXPECT_FALSE(SetRootWindowWallpaper(dir.Write("junk.jpg", "not a picture"), WallpaperStyle::Center));
    EXPECT_FALSE(SetRootWindowWallpaper(dir.path() + "missing.png", WallpaperStyle::Center));
}

// Runs the helper with the given variables added to (or, when empty, removed
// from) this process's environment; answers its exit status. With `said` it
// collects what the helper wrote to its standard error.
int RunHelper(const std::vector<std::pair<std::string, std::string>>& vars, const std::string& picture, int style,
              std::string* said = nullptr, int times = 1)
{
    gchar** env = g_get_environ();
    for (const auto& [name, value] : vars)
        env = value.empty() ? g_environ_unsetenv(env, name.c_str())
                            : g_environ_setenv(env, name.c_str(), value.c_str(), TRUE);
    std::string program = platform::OwnExecutablePath();
    program = program.substr(0, program.rfind('/') + 1) + "set_wallpaper";
    const std::string styleText = std::to_string(style);
    const std::string timesText = std::to_string(times);
    gchar* argv[] = {program.data(), const_cast<gchar*>(picture.c_str()), const_cast<gchar*>(styleText.c_str()),
                     const_cast<gchar*>(timesText.c_str()), nullptr};
    gint status = -1;
    GError* raw = nullptr;
    gchar* err = nullptr;
    const gboolean started = g_spawn_sync(nullptr, argv, env, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                                          said ? &err : nullptr, &status, &raw);
    const GErrorPtr error(raw);
    const GCharPtr errText(err);
    if (said)
        *said = errText ? errText.get() : "";
    g_strfreev(env);
    if (!started)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DesktopWallpaperDispatch, GnomeValuesLandInTheSettingsStore)
{
    const testing_support::TempDir dir;
    const std::string picture = dir.Write("my pics/sea \xC3\xA9.jpg", "picture");
    const int status = RunHelper({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "keyfile"},
                                  {"XDG_CONFIG_HOME", dir.path() + "config"}, {"DESKTOP_SESSION", ""}},
                                 picture, 0);
    ASSERT_EQ(status, 0);

    GKeyFile* raw = g_key_file_new();
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> keys(raw, &g_key_file_free);
    const std::string file = dir.path() + "config/glib-2.0/settings/keyfile";
    ASSERT_TRUE(g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr)) << file;
    const auto value = [&](const char* key) {
        const GCharPtr v(g_key_file_get_value(keys.get(), "org/gnome/desktop/background", key, nullptr));
        return v ? std::string(v.get()) : std::string("<missing>");
    };
    const std::string uri = "'file://" + dir.path() + "my%20pics/sea%20%C3%A9.jpg'";
    EXPECT_EQ(value("picture-uri"), uri);
    EXPECT_EQ(value("picture-uri-dark"), uri);
    EXPECT_EQ(value("picture-options"), "'centered'");

    ASSERT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "keyfile"},
                         {"XDG_CONFIG_HOME", dir.path() + "config"}},
                        picture, 2),
              0);
    ASSERT_TRUE(g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr));
    EXPECT_EQ(value("picture-options"), "'stretched'");
}

TEST(DesktopWallpaperDispatch, MissingSchemaOrBackendIsAFailure)
{
    const testing_support::TempDir dir;
    const std::string picture = dir.Write("a.jpg", "picture");
    // Schemas are looked up only in a data folder of our own, which has none:
    // a desktop whose schema is missing gets no crash, just a refusal.
    dir.Write("data/glib-2.0/schemas/.keep", "");
    EXPECT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", "MATE"}, {"GSETTINGS_BACKEND", "keyfile"},
                         {"XDG_CONFIG_HOME", dir.path()}, {"XDG_DATA_DIRS", dir.path() + "data"},
                         {"XDG_DATA_HOME", dir.path() + "data"},
                         {"GSETTINGS_SCHEMA_DIR", ""}},
                        picture, 2),
              1);
    // Values kept only in the process's memory change no desktop.
    EXPECT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "memory"}}, picture, 2), 1);
}

TEST(DesktopWallpaperDispatch, MissingDesktopProgramIsAFailure)
{
    const testing_support::TempDir dir;
    const std::string picture = dir.Write("a.jpg", "picture");
    const std::string emptyFolder = dir.path() + "empty";
    dir.Write("empty/.keep", "");
    for (const char* desktop : {"LXDE", "LXQt", "sway"})
        EXPECT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", desktop}, {"PATH", emptyFolder}}, picture, 2), 1) << desktop;
    // No session bus, so no xfconf or Plasma to answer (an installed one would
    // be started by the test's bus).
    for (const char* desktop : {"XFCE", "KDE"})
        EXPECT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", desktop},
                             {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.path() + "no-bus"}},
                            picture, 2),
                  1)
            << desktop;
}

TEST(DesktopWallpaperDispatch, PlainXServerGetsTheRootWindowDrawn)
{
    RootBackground root;
    if (!root.ok())
        GTEST_SKIP() << "no X display";
    const testing_support::TempDir dir;
    const std::string picture = WritePicture(dir, "g.png", 32, 32, kGreen, kGreen);
    ASSERT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", ""}, {"DESKTOP_SESSION", ""}, {"WAYLAND_DISPLAY", ""},
                         {"SWAYSOCK", ""}, {"XDG_SESSION_TYPE", ""}},
                        picture, 2),
              0);
    EXPECT_EQ(root.Sample({{0, 0}, {root.width() - 1, root.height() - 1}}), (std::vector<Rgb> {kGreen, kGreen}));
}

// A Wayland compositor we have no setter for: the X root window (which the
// user does not see there) stays as it was, and the user is told once, not
// once per picture, which desktop was found.
TEST(DesktopWallpaperDispatch, UnknownWaylandDesktopIsNamedOnceAndTheRootWindowLeftAlone)
{
    RootBackground root;
    if (!root.ok())
        GTEST_SKIP() << "no X display";
    const testing_support::TempDir dir;
    ASSERT_TRUE(SetRootWindowWallpaper(WritePicture(dir, "r.png", 32, 32, kRed, kRed), WallpaperStyle::Stretch));
    const std::string picture = WritePicture(dir, "g.png", 32, 32, kGreen, kGreen);
    for (const auto& session : std::vector<std::pair<std::string, std::string>> {
             {"WAYLAND_DISPLAY", "wayland-9"}, {"XDG_SESSION_TYPE", "wayland"}}) {
        std::string said;
        EXPECT_EQ(RunHelper({{"XDG_CURRENT_DESKTOP", "Hyprland"}, {"DESKTOP_SESSION", ""}, {"SWAYSOCK", ""},
                             {"WAYLAND_DISPLAY", ""}, {"XDG_SESSION_TYPE", ""}, session},
                            picture, 2, &said, 2),
                  1)
            << session.first;
        EXPECT_EQ(said, "Cannot set the wallpaper on this desktop (Hyprland, Wayland): the pictures stay in the "
                        "wallpaper folder\n")
            << session.first;
    }
    EXPECT_EQ(root.Sample({{0, 0}}), std::vector<Rgb> {kRed});
}

} // namespace
