#include "engine/WallpaperApply.h"

namespace engine {

platform::WallpaperStyle WallpaperStyleFromByte(std::uint8_t style)
{
    switch (style) {
    case 1: return platform::WallpaperStyle::Tile;
    case 2: return platform::WallpaperStyle::Stretch;
    case 3: return platform::WallpaperStyle::Max;
    default: return platform::WallpaperStyle::Center;
    }
}

bool ApplyWallPaper(const std::string& path, std::uint8_t style)
{
    return platform::SetDesktopWallpaper(path, WallpaperStyleFromByte(style));
}

} // namespace engine
