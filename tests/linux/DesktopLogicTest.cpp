#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "platform/linux/LinuxDesktop.h"

namespace {

using platform::WallpaperStyle;
using namespace platform::linuxdesk;

TEST(DesktopDetection, ReadsTheSessionStrings)
{
    struct Case {
        DesktopEnvironment env;
        DesktopKind expected;
    };
    const std::vector<Case> cases {
        {{"GNOME", "", "", "", ""}, DesktopKind::Gnome},
        {{"ubuntu:GNOME", "ubuntu", ":0", "wayland-0", ""}, DesktopKind::Gnome},
        {{"Budgie:GNOME", "", ":0", "", ""}, DesktopKind::Gnome},
        {{"Unity:Unity7:ubuntu", "", ":0", "", ""}, DesktopKind::Gnome},
        {{"X-Cinnamon", "", ":0", "", ""}, DesktopKind::Cinnamon},
        {{"MATE", "", ":0", "", ""}, DesktopKind::Mate},
        {{"XFCE", "", ":0", "", ""}, DesktopKind::Xfce},
        {{"KDE", "plasma", ":0", "", ""}, DesktopKind::Kde},
        {{"LXDE", "", ":0", "", ""}, DesktopKind::Lxde},
        {{"LXQt", "", ":0", "", ""}, DesktopKind::Lxqt},
        {{"sway", "", "", "wayland-1", ""}, DesktopKind::Sway},
        {{"gnome", "", "", "", ""}, DesktopKind::Gnome},               // case ignored
        {{"GNOMEX", "", ":0", "", ""}, DesktopKind::X11},             // whole names only
        {{"Hyprland:XFCE", "", ":0", "", ""}, DesktopKind::Xfce},     // first known name wins
        {{"", "/usr/share/xsessions/plasma", ":0", "", ""}, DesktopKind::Kde},
        {{"", "LXDE-pi", ":0", "", ""}, DesktopKind::Lxde},
        {{"", "xubuntu", ":0", "", ""}, DesktopKind::Xfce},
        {{"", "lubuntu", ":0", "", ""}, DesktopKind::Lxqt},
        {{"", "gnome-xorg", ":0", "", ""}, DesktopKind::Gnome},
        {{"", "", "", "wayland-1", "/run/user/1000/sway-ipc.sock"}, DesktopKind::Sway},
        {{"", "", ":0", "", ""}, DesktopKind::X11},
        {{"i3", "i3", ":1", "", ""}, DesktopKind::X11},
        {{"Hyprland", "", ":0", "wayland-1", ""}, DesktopKind::Unknown}, // root window unseen
        {{"", "", ":0", "", "", "wayland"}, DesktopKind::Unknown},        // so too without WAYLAND_DISPLAY
        {{"", "", "", "", ""}, DesktopKind::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectDesktop(c.env), c.expected)
            << "XDG_CURRENT_DESKTOP=" << c.env.currentDesktop << " DESKTOP_SESSION=" << c.env.session;
}

TEST(DesktopStyles, CentreAndStretchInEachVocabulary)
{
    EXPECT_STREQ(GSettingsPictureOption(WallpaperStyle::Center), "centered");
    EXPECT_STREQ(GSettingsPictureOption(WallpaperStyle::Stretch), "stretched");
    EXPECT_STREQ(GSettingsPictureOption(WallpaperStyle::Tile), "wallpaper");
    EXPECT_STREQ(GSettingsPictureOption(WallpaperStyle::Max), "zoom");
    EXPECT_EQ(XfceImageStyle(WallpaperStyle::Center), 1);
    EXPECT_EQ(XfceImageStyle(WallpaperStyle::Stretch), 3);
    EXPECT_EQ(PlasmaFillMode(WallpaperStyle::Center), 6);
    EXPECT_EQ(PlasmaFillMode(WallpaperStyle::Stretch), 0);
    EXPECT_STREQ(PcmanfmMode(WallpaperStyle::Center, false), "center");
    EXPECT_STREQ(PcmanfmMode(WallpaperStyle::Max, true), "zoom");
    EXPECT_STREQ(SwayMode(WallpaperStyle::Stretch), "stretch");
}

TEST(DesktopPaths, UrisAreEscapedAndAbsolute)
{
    EXPECT_EQ(FileUri("/tmp/a b/\xC3\xA9#1.jpg"), "file:///tmp/a%20b/%C3%A9%231.jpg");
    EXPECT_EQ(FileUri("relative.jpg"), "");

    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(AbsolutePath("pics/../x.jpg"), std::string(cwd) + "/x.jpg");
    EXPECT_EQ(AbsolutePath("/a/./b.jpg"), "/a/b.jpg");
    EXPECT_EQ(AbsolutePath(""), "");
}

TEST(DesktopCommands, PathsStayOneArgumentAndNeverBecomeCommands)
{
    const auto pcmanfm = PcmanfmArguments("/p/a b;c.jpg", WallpaperStyle::Stretch, false);
    EXPECT_EQ(pcmanfm, (std::vector<std::string> {"pcmanfm", "--set-wallpaper=/p/a b;c.jpg", "--wallpaper-mode=stretch"}));
    EXPECT_EQ(PcmanfmArguments("/p/x.jpg", WallpaperStyle::Center, true).front(), "pcmanfm-qt");

    // Quoting for sway itself is proven on a real sway (e2e_sway_names).
    for (const char* unsayable : {"/p/a\nb.jpg", "relative.jpg", ""})
        EXPECT_TRUE(SwayArguments(unsayable, WallpaperStyle::Center).empty()) << unsayable;
}

TEST(DesktopCommands, PlasmaScriptQuotesTheUri)
{
    const std::string script = PlasmaScript("file:///p/a\"b\\c'\n.jpg", 6);
    EXPECT_NE(script.find("writeConfig(\"Image\", \"file:///p/a\\\"b\\\\c\\'\\u000a.jpg\");"), std::string::npos)
        << script;
    EXPECT_NE(script.find("writeConfig(\"FillMode\", 6);"), std::string::npos);
}

TEST(DesktopCommands, ExitStatusDecidesAndASetterPastItsTimeIsStopped)
{
    EXPECT_TRUE(RunWallpaperCommand({"true"}));
    EXPECT_FALSE(RunWallpaperCommand({"false"}));
    EXPECT_FALSE(RunWallpaperCommand({"pictavo-no-such-program-here"}));
    EXPECT_FALSE(RunWallpaperCommand({}));
    // It would succeed, had it been waited for.
    EXPECT_FALSE(RunWallpaperCommand({"sh", "-c", "sleep 3; exit 0"}, std::chrono::milliseconds(100)));
}

} // namespace
