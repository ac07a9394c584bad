#pragma once
// The desktops the Linux edition knows, and each one's way to take a wallpaper.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Desktop.h"

namespace platform::linuxdesk {

enum class DesktopKind { Unknown, Gnome, Cinnamon, Mate, Xfce, Kde, Lxde, Lxqt, Sway, X11 };

// The environment strings that tell which desktop runs this session.
struct DesktopEnvironment {
    std::string currentDesktop;   // XDG_CURRENT_DESKTOP, colon-separated
    std::string session;          // DESKTOP_SESSION
    std::string display;          // DISPLAY
    std::string waylandDisplay;   // WAYLAND_DISPLAY
    std::string swaySocket;       // SWAYSOCK
    std::string sessionType = {}; // XDG_SESSION_TYPE (may be left out of initialisers)
};

DesktopEnvironment ReadDesktopEnvironment();
// X11 stands for "no known desktop, but a bare X server": we draw the root
// window ourselves. Unknown means there is nothing we know how to change.
DesktopKind DetectDesktop(const DesktopEnvironment& env);
// The desktop as the session names it, and whether it is a Wayland one, for
// telling the user which desktop we found: "Hyprland, Wayland".
std::string DescribeDesktop(const DesktopEnvironment& env);

// Placement names in each desktop's own vocabulary.
const char* GSettingsPictureOption(WallpaperStyle style);
int XfceImageStyle(WallpaperStyle style);
int PlasmaFillMode(WallpaperStyle style);
const char* PcmanfmMode(WallpaperStyle style, bool qt);
const char* SwayMode(WallpaperStyle style);

// Absolute form of a path (relative ones against the working folder).
std::string AbsolutePath(const std::string& path);
// file:// URI of an absolute path; empty when the path cannot be expressed.
std::string FileUri(const std::string& path);

std::string PlasmaScript(const std::string& uri, int fillMode);
// Empty for a path sway cannot be told: a relative one, or one with a line break.
std::vector<std::string> SwayArguments(const std::string& path, WallpaperStyle style);
std::vector<std::string> PcmanfmArguments(const std::string& path, WallpaperStyle style, bool qt);

// The setters; each answers whether the desktop took the picture.
struct GSettingsTarget {
    const char* schema;
    const char* pictureKey;
    bool pictureIsUri;       // else a plain file name
    const char* darkPictureKey; // written only when the schema has it
    const char* optionsKey;
};
bool SetGSettingsWallpaper(const GSettingsTarget& target, const std::string& path, WallpaperStyle style);
bool SetXfceWallpaper(const std::string& path, WallpaperStyle style);
bool SetPlasmaWallpaper(const std::string& path, WallpaperStyle style);
// A setter program that has not ended by the timeout is killed and counts
// as a refusal.
inline constexpr std::chrono::milliseconds kWallpaperCommandTimeout {5000};
bool RunWallpaperCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = kWallpaperCommandTimeout);
bool SetRootWindowWallpaper(const std::string& path, WallpaperStyle style);

} // namespace platform::linuxdesk
