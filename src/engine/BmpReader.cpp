#include "engine/BmpReader.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <vector>

#include "engine/PictureError.h"
#include "platform/FileSystem.h"

namespace picture {
namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// One colour channel held in a bit field of a 16- or 32-bit pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    static bool Make(std::uint32_t m, Channel& c)
    {
        if (m == 0)
            return false;
        c.mask = m;
        c.shift = 0;
        while (!((m >> c.shift) & 1))
            ++c.shift;
        c.max = m >> c.shift;
        return c.max <= 0xFFFF && (c.max & (c.max + 1)) == 0;   // contiguous, at most 16 bits
    }
    std::uint8_t operator()(std::uint32_t px) const
    {
        return static_cast<std::uint8_t>((((px & mask) >> shift) * 255 + max / 2) / max);
    }
};

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5,
                        kAlphaBitFields = 6;
constexpr std::size_t kStripBytes = 1 << 20;

} // namespace

struct BmpReader::Impl {
    std::string path;
    platform::FilePtr file;
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bpp = 0;
    long offset = 0;
    std::size_t stride = 0;
    std::array<Channel, 3> fields {};
    // 32-bit pixels whose channels are whole bytes (BGRX, BGRA, RGBA, ...)
    // are copied byte by byte: where each of R, G, B sits.
    bool byteChannels = false;
    std::array<int, 3> byteOf {2, 1, 0};
    std::vector<std::array<std::uint8_t, 3>> palette;   // R, G, B

    [[noreturn]] void Fail(const std::string& reason) const
    {
        throw EPictureError("Cannot decode the bitmap " + path + ": " + reason);
    }
    void ReadAt(long at, std::uint8_t* dst, std::size_t n) const
    {
        if (std::fseek(file.get(), at, SEEK_SET) != 0 || std::fread(dst, 1, n, file.get()) != n)
            Fail("the file cannot be read");
    }
    void Parse();
    void ToRgb(const std::uint8_t* in, std::uint8_t* out) const;
};

void BmpReader::Impl::Parse()
{
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        Fail("the file cannot be read");
    const long fileSize = std::ftell(file.get());
    if (fileSize < 26)
        Fail("the file is too short");
    std::array<std::uint8_t, 2048> head {};
    const auto headSize = static_cast<std::size_t>(std::min<long>(fileSize, head.size()));
    ReadAt(0, head.data(), headSize);
    const std::uint8_t* h = head.data();
    if (h[0] != 'B' || h[1] != 'M')
        Fail("it is not a bitmap");
    const std::uint32_t offBits = U32(h + 10);
    const std::uint32_t hdr = U32(h + 14);

    std::int64_t w = 0, ht = 0;
    std::uint32_t compression = kRgb, colours = 0;
    std::size_t paletteAt = 0, entrySize = 4;
    if (hdr == 12) {
        w = U16(h + 18);
        ht = static_cast<std::int16_t>(U16(h + 20));
        bpp = static_cast<int>(U16(h + 24));
        paletteAt = 26;
        entrySize = 3;
    } else if (hdr == 40 || hdr == 52 || hdr == 56 || hdr == 108 || hdr == 124) {
        if (headSize < 14 + hdr)
            Fail("the header is cut short");
        w = S32(h + 18);
        ht = S32(h + 22);
        bpp = static_cast<int>(U16(h + 28));
        compression = U32(h + 30);
        colours = U32(h + 46);
        paletteAt = 14 + hdr;
        // An info header keeps its bit fields after itself; later headers inside.
        if (hdr == 40 && compression == kBitFields)
            paletteAt += 12;
        else if (hdr == 40 && compression == kAlphaBitFields)
            paletteAt += 16;
    } else {
        Fail("its header (" + std::to_string(hdr) + " bytes) is of an unsupported kind");
    }

    if (compression == kRle8 || compression == kRle4)
        Fail("run-length compressed bitmaps are not supported");
    if (compression == kJpeg || compression == kPng)
        Fail("bitmaps holding JPEG or PNG data are not supported");
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        Fail("unknown compression " + std::to_string(compression));
    if (w <= 0 || ht == 0 || ht == INT32_MIN)
        Fail("its size is invalid");
    topDown = ht < 0;
    if (topDown)
        ht = -ht;
    if (w > kMaxSide || ht > kMaxSide || w * ht > kMaxPixels)
        Fail("it is too large (" + std::to_string(w) + " x " + std::to_string(ht) + " pixels)");
    width = static_cast<int>(w);
    height = static_cast<int>(ht);

    const bool fieldsOk = compression == kRgb ? (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 ||
                                                 bpp == 24 || bpp == 32)
                                              : (bpp == 16 || bpp == 32);
    if (!fieldsOk)
        Fail(std::to_string(bpp) + " bits a pixel are not supported with this compression");
    if (topDown && compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        Fail("a top-down bitmap cannot be compressed");

    if (compression != kRgb) {
        if (headSize < 54 + 12)
            Fail("the bit fields are cut short");
        for (int c = 0; c < 3; ++c)
            if (!Channel::Make(U32(h + 54 + 4 * c), fields[static_cast<std::size_t>(c)]))
                Fail("its colour bit fields are invalid");
    } else if (bpp == 16) {
        Channel::Make(0x7C00, fields[0]);
        Channel::Make(0x03E0, fields[1]);
        Channel::Make(0x001F, fields[2]);
    }

    if (bpp == 32) {
        byteChannels = true;
        for (std::size_t c = 0; c < 3 && compression != kRgb; ++c) {
            const Channel& f = fields[c];
            byteChannels = byteChannels && f.max == 0xFF && f.shift % 8 == 0;
            byteOf[c] = f.shift / 8;
        }
    }

    if (bpp <= 8) {
        const std::size_t most = std::size_t {1} << bpp;
        // Without a count (and always in core headers) the palette fills
        // the room before the pixels, up to its full size.
        const std::size_t room = offBits > paletteAt ? (offBits - paletteAt) / entrySize : 0;
        const std::size_t n = colours == 0 ? std::min(most, room) : std::min<std::size_t>(colours, most);
        if (paletteAt + n * entrySize > headSize || paletteAt + n * entrySize > offBits)
            Fail("its palette lies outside the file");
        palette.resize(most);   // indices past the palette read as black
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* e = h + paletteAt + i * entrySize;
            palette[i] = {e[2], e[1], e[0]};
        }
    }

    stride = static_cast<std::size_t>((w * bpp + 31) / 32 * 4);
    const std::int64_t end = static_cast<std::int64_t>(offBits) +
                             static_cast<std::int64_t>(stride) * ht;
    if (offBits < paletteAt || end > fileSize)
        Fail("the file is shorter than its pixel data");
    offset = static_cast<long>(offBits);
}

void BmpReader::Impl::ToRgb(const std::uint8_t* in, std::uint8_t* out) const
{
    switch (bpp) {
    case 24:
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2]; out[1] = in[1]; out[2] = in[0];
        }
        return;
    case 32:
        if (byteChannels) {   // the fourth byte (alpha or padding) is ignored
            const int r = byteOf[0], g = byteOf[1], b = byteOf[2];
            if (r == 2 && g == 1 && b == 0) {   // BGRX, by far the most common: constant offsets
                for (int x = 0; x < width; ++x, in += 4, out += 3) {
                    out[0] = in[2]; out[1] = in[1]; out[2] = in[0];
                }
                return;
            }
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[r]; out[1] = in[g]; out[2] = in[b];
            }
            return;
        }
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const std::uint32_t px = U32(in);
            out[0] = fields[0](px); out[1] = fields[1](px); out[2] = fields[2](px);
        }
        return;
    case 16:
        for (int x = 0; x < width; ++x, in += 2, out += 3) {
            const std::uint32_t px = U16(in);
            out[0] = fields[0](px); out[1] = fields[1](px); out[2] = fields[2](px);
        }
        return;
    default: {   // 1, 4 or 8 bits: palette indices, leftmost pixel in the high bits
        const int perByte = 8 / bpp;
        const unsigned maskBits = (1U << bpp) - 1;
        for (int x = 0; x < width; ++x, out += 3) {
            const unsigned byte = in[x / perByte];
            const int shift = 8 - bpp * (x % perByte + 1);
            const auto& c = palette[(byte >> shift) & maskBits];
            out[0] = c[0]; out[1] = c[1]; out[2] = c[2];
        }
    }
    }
}

BmpReader::BmpReader(const std::string& path) : impl_(std::make_unique<Impl>())
{
    impl_->path = path;
    impl_->file = platform::OpenStdFile(path, "rb");
    if (!impl_->file)
        throw EPictureError("Cannot open the picture " + path);
    impl_->Parse();
}

BmpReader::~BmpReader() = default;

int BmpReader::width() const { return impl_->width; }
int BmpReader::height() const { return impl_->height; }

void BmpReader::Read(RowSink& sink)
{
    const Impl& d = *impl_;
    const int stripRows = static_cast<int>(std::max<std::size_t>(1, kStripBytes / d.stride));
    std::vector<std::uint8_t> strip(d.stride * static_cast<std::size_t>(std::min(stripRows, d.height)));
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(d.width) * 3);
    for (int y0 = 0; y0 < d.height; y0 += stripRows) {
        const int n = std::min(stripRows, d.height - y0);
        // Bottom-up files keep the strip's rows contiguous but reversed.
        const int firstFileRow = d.topDown ? y0 : d.height - y0 - n;
        d.ReadAt(d.offset + static_cast<long>(d.stride) * firstFileRow, strip.data(),
                 d.stride * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const int at = d.topDown ? i : n - 1 - i;
            d.ToRgb(strip.data() + d.stride * static_cast<std::size_t>(at), rgb.data());
            sink.PutRow(rgb.data());
        }
    }
}

} // namespace picture
