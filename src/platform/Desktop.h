#pragma once
// Handing a picture file to the desktop as its wallpaper.
#include <string>

namespace platform {

// Numbered as the Windows shell numbers its placements.
enum class WallpaperStyle { Center = 0, Tile = 1, Stretch = 2, Max = 3 };

// True when the desktop now shows the file with that placement (as far as the
// system lets us check).
bool SetDesktopWallpaper(const std::string& path, WallpaperStyle style);

// False where this session's desktop forgets a wallpaper set this way when it
// restarts, so the client must set it again when it starts.
bool DesktopKeepsWallpaper();

} // namespace platform
