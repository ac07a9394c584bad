#pragma once
// Pictures only the system itself can decode: icons and metafiles through
// GDI+ on Windows. Other systems have no decoder for them and say so.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The picture's own size. False, with the reason in error, when the system
// cannot decode the file.
bool SystemPictureSize(const std::string& path, int& width, int& height, std::string& error);

// Draws the whole picture scaled into width x height (transparent parts on
// black) and returns its rows top first, 3 bytes a pixel (R, G, B).
bool RenderSystemPicture(const std::string& path, int width, int height,
                         std::vector<std::uint8_t>& rgb, std::string& error);

} // namespace platform
