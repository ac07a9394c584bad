#include "platform/Desktop.h"

#include <mutex>

#include "platform/DebugOutput.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform {
namespace {

// Once per cause, not once per picture: the rotation would repeat it.
void SayOnce(const std::string& text)
{
    static std::mutex lock;
    static std::string said;
    const std::lock_guard<std::mutex> guard(lock);
    if (text == said)
        return;
    said = text;
    DebugOutput(text);
}

bool SetSwayWallpaper(const std::string& file, WallpaperStyle style)
{
    const std::vector<std::string> argv = linuxdesk::SwayArguments(file, style);
    if (argv.empty()) {
        SayOnce("sway cannot be given a file name with a line break; the wallpaper stays as it was");
        return false;
    }
    return linuxdesk::RunWallpaperCommand(argv);
}

} // namespace

bool DesktopKeepsWallpaper()
{
    using namespace linuxdesk;
    // sway's "output * bg" lasts until sway restarts; pcmanfm-qt takes a
    // placement sent to a running desktop but does not save it.
    const DesktopKind kind = DetectDesktop(ReadDesktopEnvironment());
    return kind != DesktopKind::Sway && kind != DesktopKind::Lxqt;
}

bool SetDesktopWallpaper(const std::string& path, WallpaperStyle style)
{
    using namespace linuxdesk;
    const std::string file = AbsolutePath(path);
    if (file.empty())
        return false;
    const DesktopEnvironment env = ReadDesktopEnvironment();
    switch (DetectDesktop(env)) {
    case DesktopKind::Gnome:
        return SetGSettingsWallpaper(
            {"org.gnome.desktop.background", "picture-uri", true, "picture-uri-dark", "picture-options"},
            file, style);
    case DesktopKind::Cinnamon:
        return SetGSettingsWallpaper(
            {"org.cinnamon.desktop.background", "picture-uri", true, nullptr, "picture-options"}, file, style);
    case DesktopKind::Mate:
        return SetGSettingsWallpaper(
            {"org.mate.background", "picture-filename", false, nullptr, "picture-options"}, file, style);
    case DesktopKind::Xfce: return SetXfceWallpaper(file, style);
    case DesktopKind::Kde: return SetPlasmaWallpaper(file, style);
    case DesktopKind::Lxde: return RunWallpaperCommand(PcmanfmArguments(file, style, false));
    case DesktopKind::Lxqt: return RunWallpaperCommand(PcmanfmArguments(file, style, true));
    case DesktopKind::Sway: return SetSwayWallpaper(file, style);
    case DesktopKind::X11: return SetRootWindowWallpaper(file, style);
    case DesktopKind::Unknown:
        SayOnce("Cannot set the wallpaper on this desktop (" + DescribeDesktop(env) +
                "): the pictures stay in the wallpaper folder");
        break;
    }
    return false;
}

} // namespace platform
