#pragma once
// Puts a picture file on the desktop with a placement style.
#include <cstdint>
#include <string>

#include "platform/Desktop.h"

namespace engine {

// 1, 2 and 3 keep their meaning (tile, stretch, max); anything else centres.
platform::WallpaperStyle WallpaperStyleFromByte(std::uint8_t style);

// True when the wallpaper was changed.
bool ApplyWallPaper(const std::string& path, std::uint8_t style);

} // namespace engine
