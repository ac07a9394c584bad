// Decoding: bitmap variants and JPEG colour kinds give the right pixels;
// hostile files give a clear error and nothing worse.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>

#include "engine/JpegCodec.h"
#include "engine/PictureFit.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

Rgb Colourful(int x, int y)
{
    return {static_cast<std::uint8_t>(40 * x + 3), static_cast<std::uint8_t>(60 * y + 7), static_cast<std::uint8_t>(200 - 10 * x)};
}

void ExpectPixels(const picture::RgbPicture& p, int w, int h, const PixelFn& want, int tolerance = 0)
{
    ASSERT_EQ(p.width, w);
    ASSERT_EQ(p.height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* px = &p.rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            const Rgb c = want(x, y);
            ASSERT_NEAR(px[0], c.r, tolerance) << x << "," << y;
            ASSERT_NEAR(px[1], c.g, tolerance) << x << "," << y;
            ASSERT_NEAR(px[2], c.b, tolerance) << x << "," << y;
        }
}

std::string ErrorOf(const std::string& path)
{
    try {
        picture::LoadPicture(path);
    } catch (const EPictureError& e) {
        return e.what();
    }
    return "no error";
}

const std::vector<Rgb> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                   {9, 99, 199}, {255, 255, 255}, {12, 34, 56}, {200, 100, 50}};

} // namespace

TEST(BmpDecode, DirectColourVariantsGiveExactPixels)
{
    TempDir tmp;
    for (int bpp : {24, 32}) {
        for (bool topDown : {false, true}) {
            for (int header : {40, 108, 124}) {
                SCOPED_TRACE(std::to_string(bpp) + (topDown ? " top-down " : " bottom-up ") + std::to_string(header));
                BmpLayout s;
                s.width = 5;   // rows need padding at 24 bits
                s.height = 3;
                s.bpp = bpp;
                s.topDown = topDown;
                s.headerSize = header;
                ExpectPixels(picture::LoadPicture(tmp.Write("d.bmp", MakeBmp(s, Colourful))), 5, 3, Colourful);
            }
        }
    }
    BmpLayout s;
    s.bpp = 16;
    s.width = 3;
    s.height = 2;
    const auto p = picture::LoadPicture(tmp.Write("h.bmp", MakeBmp(s, [](int x, int) {
        return x == 0 ? Rgb {255, 0, 0} : x == 1 ? Rgb {0, 255, 0} : Rgb {0, 0, 255};
    })));
    ExpectPixels(p, 3, 2, [](int x, int) { return x == 0 ? Rgb {255, 0, 0} : x == 1 ? Rgb {0, 255, 0} : Rgb {0, 0, 255}; });
}

TEST(BmpDecode, BitFieldMasksGiveExactPixels)
{
    // Byte-aligned masks take the byte-copy path, the rest the general one;
    // both must agree with what was written.
    const std::uint32_t masks[][3] = {
        {0x00FF0000, 0x0000FF00, 0x000000FF},   // BGRA
        {0x000000FF, 0x0000FF00, 0x00FF0000},   // RGBA
        {0xFF000000, 0x00FF0000, 0x0000FF00},   // alpha in the low byte
        {0x3FF00000, 0x000FFC00, 0x000003FF},   // 10 bits a channel
        {0x0FF00000, 0x000FF000, 0x00000FF0},   // 8 bits off the byte boundaries
    };
    TempDir tmp;
    for (const auto& m : masks) {
        SCOPED_TRACE(testing::Message() << std::hex << m[0] << " " << m[1] << " " << m[2]);
        BmpLayout s;
        s.width = 7;
        s.height = 2;
        s.bpp = 32;
        std::copy(std::begin(m), std::end(m), s.masks);
        ExpectPixels(picture::LoadPicture(tmp.Write("m.bmp", MakeBmp(s, Colourful))), 7, 2, Colourful);
    }
}

TEST(BmpDecode, PaletteVariantsGiveExactPixels)
{
    TempDir tmp;
    for (int bpp : {1, 4, 8}) {
        for (int header : {12, 40}) {
            SCOPED_TRACE(std::to_string(bpp) + " bits, header " + std::to_string(header));
            BmpLayout s;
            s.width = 11;
            s.height = 4;
            s.bpp = bpp;
            s.headerSize = header;
            const std::size_t n = bpp == 1 ? 2 : kPalette.size();
            s.palette.assign(kPalette.begin(), kPalette.begin() + static_cast<long>(n));
            auto index = [n](int x, int y) { return static_cast<std::size_t>(x * 3 + y) % n; };
            const std::string bytes = MakeBmp(s, [&](int x, int y) {
                return Rgb {static_cast<std::uint8_t>(index(x, y)), 0, 0};
            });
            ExpectPixels(picture::LoadPicture(tmp.Write("p.bmp", bytes)), 11, 4,
                         [&](int x, int y) { return kPalette[index(x, y)]; });
        }
    }
}

TEST(JpegDecode, ColourKindsComeOutAsRgb)
{
    TempDir tmp;
    const Rgb orange {230, 120, 20};
    auto flat = [orange](int, int) { return orange; };
    ExpectPixels(picture::LoadPicture(tmp.Write("c.jpg", MakeJpeg(32, 16, flat))), 32, 16, flat, 3);
    ExpectPixels(picture::LoadPicture(tmp.Write("p.jpg", MakeJpeg(32, 16, flat, JpegKind::Progressive))), 32, 16, flat, 3);
    ExpectPixels(picture::LoadPicture(tmp.Write("c.jpg", MakeJpeg(32, 16, flat, JpegKind::Cmyk))), 32, 16, flat, 3);
    ExpectPixels(picture::LoadPicture(tmp.Write("g.jpg", MakeJpeg(32, 16, flat, JpegKind::Gray))), 32, 16,
                 [](int, int) { return Rgb {230, 230, 230}; }, 2);
}

TEST(JpegDecode, DecodesAtTheSmallestEighthThatCoversTheTarget)
{
    using picture::JpegScaleEighths;
    EXPECT_EQ(JpegScaleEighths(2560, 1920), 6);   // 1920 exactly
    EXPECT_EQ(JpegScaleEighths(2560, 1921), 7);
    EXPECT_EQ(JpegScaleEighths(6000, 1920), 3);   // 2250
    EXPECT_EQ(JpegScaleEighths(6000, 2251), 4);
    EXPECT_EQ(JpegScaleEighths(7680, 1920), 2);
    EXPECT_EQ(JpegScaleEighths(65535, 1), 1);
    EXPECT_EQ(JpegScaleEighths(1921, 1920), 8);
    // The decoder itself must agree at every boundary: an awkward width, every target.
    TempDir tmp;
    const std::string path = tmp.Write("w.jpg", MakeJpeg(101, 9, Colourful));
    for (int target = 1; target <= 101; ++target) {
        picture::JpegReader r(path);
        r.AllowShrinkTo(target);
        const int m = JpegScaleEighths(101, target);
        ASSERT_GE(r.decodedWidth(), target) << target;
        ASSERT_EQ(r.decodedWidth(), (101 * m + 7) / 8) << target;
        if (m > 1) {
            ASSERT_LT((101 * (m - 1) + 7) / 8, target) << target;
        }
    }
}

TEST(JpegDecode, LargestAllowedPictureFits)
{
    TempDir tmp;
    const std::string big = tmp.Write("big.jpg", MakeFlatJpeg(16384, 16384, {20, 120, 220}));
    const std::string out = tmp.path() + "big-fit.jpg";
    const auto size = picture::FitPictureFile(big, 1920, out);
    EXPECT_EQ(size.width, 1920);
    EXPECT_EQ(size.height, 1920);
    const auto p = picture::LoadPicture(out);
    EXPECT_NEAR(p.rgb[3 * 1000], 20, 3);
    EXPECT_NEAR(p.rgb[3 * 1000 + 2], 220, 3);
}

TEST(HostilePictures, GiveClearErrors)
{
    TempDir tmp;
    const std::string good = MakeJpeg(64, 48, Colourful);

    std::string truncated = good.substr(0, good.size() / 2);
    EXPECT_NE(ErrorOf(tmp.Write("t.jpg", truncated)).find("t.jpg"), std::string::npos);
    EXPECT_NE(ErrorOf(tmp.Write("g.jpg", std::string("\xFF\xD8", 2) + std::string(5000, '\x5A'))), "no error");
    EXPECT_NE(ErrorOf(tmp.Write("e.jpg", "")).find("neither"), std::string::npos);
    EXPECT_NE(ErrorOf(tmp.Write("x.png", "\x89PNG\r\n\x1a\n....")).find("neither"), std::string::npos);

    std::string huge = good;   // SOF0 claiming 65535 x 65535
    const std::size_t sof = FindMarker(huge, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    for (std::size_t i : {sof + 5, sof + 6, sof + 7, sof + 8})
        huge[i] = '\xFF';
    EXPECT_NE(ErrorOf(tmp.Write("huge.jpg", huge)).find("huge.jpg"), std::string::npos);
    huge[sof + 5] = huge[sof + 7] = '\x75';   // 30000 x 30000: over our own limit
    huge[sof + 6] = huge[sof + 8] = '\x30';
    EXPECT_NE(ErrorOf(tmp.Write("huge.jpg", huge)).find("too large"), std::string::npos);

    BmpLayout s;
    s.width = 8;
    s.height = 8;
    const std::string bmp = MakeBmp(s, Colourful);
    auto patched = [&](std::size_t at, std::uint32_t v, int bytes = 4) {
        std::string b = bmp;
        for (int i = 0; i < bytes; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return ErrorOf(tmp.Write("b.bmp", b));
    };
    EXPECT_NE(patched(18, 0x7FFFFFFF).find("too large"), std::string::npos);          // width
    EXPECT_NE(patched(22, 0x80000000).find("size is invalid"), std::string::npos);    // height INT_MIN
    EXPECT_NE(patched(18, 0).find("size is invalid"), std::string::npos);
    EXPECT_NE(patched(18, 5000).find("shorter"), std::string::npos);                  // rows beyond the file
    EXPECT_NE(patched(10, 0xFFFFFFF0).find("shorter"), std::string::npos);            // pixel offset
    EXPECT_NE(patched(14, 1000).find("header"), std::string::npos);
    EXPECT_NE(patched(30, 1).find("run-length"), std::string::npos);                  // RLE8
    EXPECT_NE(patched(30, 5).find("PNG"), std::string::npos);
    EXPECT_NE(patched(28, 7, 2).find("bits a pixel"), std::string::npos);
    EXPECT_NE(ErrorOf(tmp.Write("s.bmp", bmp.substr(0, 20))).find("too short"), std::string::npos);

    BmpLayout pal;
    pal.bpp = 8;
    pal.palette = kPalette;
    std::string b = MakeBmp(pal, [](int, int) { return Rgb {}; });
    b[46] = '\x00'; b[47] = '\x00'; b[48] = '\x01'; b[49] = '\x00';   // 65536 colours
    const std::string clipped = ErrorOf(tmp.Write("pal.bmp", b));
    EXPECT_NE(clipped.find("palette"), std::string::npos) << clipped;
}

// Picture data cut short and closed with an end marker: a damaged picture,
// and a few hundred bytes could otherwise cost tens of thousands of rows.
TEST(HostilePictures, PictureDataEndingAtAMarkerIsDamage)
{
    TempDir tmp;
    for (const JpegKind kind : {JpegKind::Colour, JpegKind::Progressive, JpegKind::Gray}) {
        const std::string good = MakeJpeg(64, 480, Colourful, kind);
        const std::size_t scan = FindMarker(good, 0xDA);
        ASSERT_NE(scan, std::string::npos);
        std::string cut = good.substr(0, scan + (good.size() - scan) / 3);
        while (cut.back() == '\xFF')
            cut.pop_back();
        const std::string path = tmp.Write("cut.jpg", cut + "\xFF\xD9");
        EXPECT_NE(ErrorOf(path).find("premature end"), std::string::npos) << static_cast<int>(kind);
        EXPECT_THROW(picture::FitPictureFile(path, 16, tmp.path() + "out.jpg"), EPictureError);
    }
}

TEST(HostilePictures, RandomDamageNeverCrashes)
{
    TempDir tmp;
    BmpLayout s;
    s.width = 16;
    s.height = 8;
    s.bpp = 8;
    s.palette = kPalette;
    const std::string seeds[] = {MakeJpeg(40, 24, Colourful), MakeJpeg(40, 24, Colourful, JpegKind::Progressive),
                                 MakeBmp(s, [](int x, int) { return Rgb {static_cast<std::uint8_t>(x % 8), 0, 0}; })};
    std::mt19937 rng(12345);
    int errors = 0;
    for (const std::string& seed : seeds) {
        for (int round = 0; round < 150; ++round) {
            std::string b = seed;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < flips; ++i)
                b[rng() % b.size()] = static_cast<char>(rng());
            if (rng() % 5 == 0)
                b.resize(rng() % b.size());
            const std::string path = tmp.Write("m.bin", b);
            try {
                picture::FitPictureFile(path, 10, tmp.path() + "m.jpg");
            } catch (const EPictureError&) {
                ++errors;
            }
        }
    }
    EXPECT_GT(errors, 0);
}
