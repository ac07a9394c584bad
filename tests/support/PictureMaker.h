#pragma once
// Builds test pictures in memory: JPEG through libjpeg, bitmaps byte by byte.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
using PixelFn = std::function<Rgb(int x, int y)>;

enum class JpegKind { Colour, Progressive, Gray, Cmyk };

// A JPEG of the given size whose pixels come from fn (the grey kind takes
// the red channel; CMYK is stored inverted with an Adobe marker, as
// Photoshop writes it).
std::string MakeJpeg(int width, int height, const PixelFn& fn, JpegKind kind = JpegKind::Colour,
                     int quality = 92);
// A flat colour JPEG, fast enough for very large sizes.
std::string MakeFlatJpeg(int width, int height, Rgb colour);

struct BmpLayout {
    int width = 4;
    int height = 3;
    int bpp = 24;             // 1, 4, 8, 16 (5-6-5 bit fields), 24 or 32
    bool topDown = false;
    int headerSize = 40;      // 12, 40, 108 or 124
    std::vector<Rgb> palette; // for bpp <= 8; indices are i % palette size
    // For bpp 32: R, G, B bit fields (all zero: plain BGRX). Each channel is
    // scaled to its field's width.
    std::uint32_t masks[3] = {0, 0, 0};
};
// pixel(x, y) gives the colour, or for palette bitmaps the palette index in r.
std::string MakeBmp(const BmpLayout& layout, const PixelFn& pixel);

// Byte offsets of markers in a JPEG file, for tests that damage headers.
std::size_t FindMarker(const std::string& jpeg, std::uint8_t marker);

} // namespace testing_support
