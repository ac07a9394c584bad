#include "platform/Desktop.h"

#include <mutex>

#include "platform/DebugOutput.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform {
namespace {

// Once per desktop, not once per picture: the rotation would repeat it.
void SayNoSetter(const std::string& desktop)
{
    static std::mutex lock;
    static std::string said;
    const std::lock_guard<std::mutex> guard(lock);
    if (desktop == said)
        return;
    said = desktop;
    DebugOutput("Cannot set the wallpaper on this desktop (" + desktop +
                "): the pictures stay in the wallpaper folder");
}

} // namespace

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
    case DesktopKind::Sway: return RunWallpaperCommand(SwayArguments(file, style));
    case DesktopKind::X11: return SetRootWindowWallpaper(file, style);
    case DesktopKind::Unknown: SayNoSetter(DescribeDesktop(env)); break;
    }
    return false;
}

} // namespace platform
