#include "platform/Desktop.h"

#include "platform/linux/LinuxDesktop.h"

namespace platform {

bool SetDesktopWallpaper(const std::string& path, WallpaperStyle style)
{
    using namespace linuxdesk;
    const std::string file = AbsolutePath(path);
    if (file.empty())
        return false;
    switch (DetectDesktop(ReadDesktopEnvironment())) {
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
    case DesktopKind::Unknown: break;
    }
    return false;
}

} // namespace platform
