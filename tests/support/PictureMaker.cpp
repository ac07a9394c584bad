#include "support/PictureMaker.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace testing_support {
namespace {

void Put16(std::string& s, std::size_t at, std::uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v)
{
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

// Memory destination owned by libjpeg's jpeg_mem_dest.
class Compressor {
public:
    Compressor()
    {
        cinfo_.err = jpeg_std_error(&err_);
        jpeg_create_compress(&cinfo_);
        jpeg_mem_dest(&cinfo_, &buf_, &size_);
    }
    ~Compressor()
    {
        jpeg_destroy_compress(&cinfo_);
        std::free(buf_);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    jpeg_compress_struct* operator->() { return &cinfo_; }
    jpeg_compress_struct* get() { return &cinfo_; }
    std::string Bytes() const { return std::string(reinterpret_cast<const char*>(buf_), size_); }

private:
    jpeg_error_mgr err_ {};
    jpeg_compress_struct cinfo_ {};
    unsigned char* buf_ = nullptr;
    unsigned long size_ = 0;
};

} // namespace

std::string MakeJpeg(int width, int height, const PixelFn& fn, JpegKind kind, int quality)
{
    Compressor c;
    c->image_width = static_cast<JDIMENSION>(width);
    c->image_height = static_cast<JDIMENSION>(height);
    c->input_components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    c->in_color_space = kind == JpegKind::Gray ? JCS_GRAYSCALE : kind == JpegKind::Cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(c.get());
    jpeg_set_quality(c.get(), quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(c.get());
    jpeg_start_compress(c.get(), TRUE);
    const int comps = c->input_components;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width * comps));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = fn(x, y);
            std::uint8_t* o = &row[static_cast<std::size_t>(x * comps)];
            if (kind == JpegKind::Gray) {
                o[0] = p.r;
            } else if (kind == JpegKind::Cmyk) {   // K = 0, so inverted C = R
                o[0] = p.r; o[1] = p.g; o[2] = p.b; o[3] = 255;
            } else {
                o[0] = p.r; o[1] = p.g; o[2] = p.b;
            }
        }
        JSAMPROW rp = row.data();
        jpeg_write_scanlines(c.get(), &rp, 1);
    }
    jpeg_finish_compress(c.get());
    return c.Bytes();
}

std::string MakeFlatJpeg(int width, int height, Rgb colour)
{
    Compressor c;
    c->image_width = static_cast<JDIMENSION>(width);
    c->image_height = static_cast<JDIMENSION>(height);
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
    jpeg_set_defaults(c.get());
    jpeg_start_compress(c.get(), TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (std::size_t x = 0; x < row.size(); x += 3) {
        row[x] = colour.r; row[x + 1] = colour.g; row[x + 2] = colour.b;
    }
    std::vector<JSAMPROW> rows(16, row.data());
    while (c->next_scanline < c->image_height)
        jpeg_write_scanlines(c.get(), rows.data(), std::min<JDIMENSION>(16, c->image_height - c->next_scanline));
    jpeg_finish_compress(c.get());
    return c.Bytes();
}

std::string MakeBmp(const BmpLayout& s, const PixelFn& pixel)
{
    const bool masked = s.bpp == 32 && (s.masks[0] | s.masks[1] | s.masks[2]) != 0;
    const bool fields = s.bpp == 16 || masked;
    const std::size_t maskBytes = (fields && s.headerSize == 40) ? 12 : 0;
    const std::size_t entry = s.headerSize == 12 ? 3 : 4;
    const std::size_t paletteBytes = s.bpp <= 8 ? s.palette.size() * entry : 0;
    const std::size_t off = 14 + static_cast<std::size_t>(s.headerSize) + maskBytes + paletteBytes;
    const std::size_t stride = (static_cast<std::size_t>(s.width * s.bpp) + 31) / 32 * 4;
    std::string b(off + stride * static_cast<std::size_t>(s.height), '\0');
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<std::uint32_t>(b.size()));
    Put32(b, 10, static_cast<std::uint32_t>(off));
    Put32(b, 14, static_cast<std::uint32_t>(s.headerSize));
    if (s.headerSize == 12) {
        Put16(b, 18, static_cast<std::uint32_t>(s.width));
        Put16(b, 20, static_cast<std::uint32_t>(s.height));
        Put16(b, 22, 1);
        Put16(b, 24, static_cast<std::uint32_t>(s.bpp));
    } else {
        Put32(b, 18, static_cast<std::uint32_t>(s.width));
        Put32(b, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
        Put16(b, 26, 1);
        Put16(b, 28, static_cast<std::uint32_t>(s.bpp));
        Put32(b, 30, fields ? 3 : 0);
        Put32(b, 46, s.bpp <= 8 ? static_cast<std::uint32_t>(s.palette.size()) : 0);
        if (masked) {
            Put32(b, 54, s.masks[0]);
            Put32(b, 58, s.masks[1]);
            Put32(b, 62, s.masks[2]);
        } else if (fields) {
            Put32(b, 54, 0xF800);
            Put32(b, 58, 0x07E0);
            Put32(b, 62, 0x001F);
        }
    }
    std::size_t p = 14 + static_cast<std::size_t>(s.headerSize) + maskBytes;
    if (s.bpp <= 8)
        for (const Rgb& c : s.palette) {
            b[p] = static_cast<char>(c.b);
            b[p + 1] = static_cast<char>(c.g);
            b[p + 2] = static_cast<char>(c.r);
            p += entry;
        }
    for (int y = 0; y < s.height; ++y) {
        const int fileRow = s.topDown ? y : s.height - 1 - y;
        char* row = &b[off + stride * static_cast<std::size_t>(fileRow)];
        for (int x = 0; x < s.width; ++x) {
            const Rgb c = pixel(x, y);
            if (masked) {
                std::uint32_t v = 0;
                const std::uint8_t channel[3] = {c.r, c.g, c.b};
                for (int i = 0; i < 3; ++i) {
                    const std::uint32_t m = s.masks[i];
                    const int shift = std::countr_zero(m);
                    const std::uint32_t max = m >> shift;
                    v |= ((channel[i] * max + 127) / 255) << shift;
                }
                std::string px(4, '\0');
                Put32(px, 0, v);
                std::copy(px.begin(), px.end(), row + 4 * x);
                continue;
            }
            switch (s.bpp) {
            case 32: row[4 * x + 3] = static_cast<char>(0x80); [[fallthrough]];
            case 24: {
                char* o = row + x * (s.bpp / 8);
                o[0] = static_cast<char>(c.b); o[1] = static_cast<char>(c.g); o[2] = static_cast<char>(c.r);
                break;
            }
            case 16: {
                const unsigned v = ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
                row[2 * x] = static_cast<char>(v & 0xFF);
                row[2 * x + 1] = static_cast<char>(v >> 8);
                break;
            }
            default: {
                const int perByte = 8 / s.bpp;
                const int shift = 8 - s.bpp * (x % perByte + 1);
                row[x / perByte] = static_cast<char>(static_cast<unsigned char>(row[x / perByte]) | (c.r << shift));
            }
            }
        }
    }
    return b;
}

std::size_t FindMarker(const std::string& jpeg, std::uint8_t marker)
{
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF && static_cast<std::uint8_t>(jpeg[i + 1]) == marker)
            return i;
    return std::string::npos;
}

} // namespace testing_support
