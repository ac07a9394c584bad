// Icons go through GDI+ and come out fitted like any other picture.
#include <gtest/gtest.h>

#include "engine/PictureFit.h"
#include "support/TempDir.h"

namespace {

// A 32 x 32, 32-bit icon of one colour (B, G, R, A) with an empty AND mask.
std::string MakeIcon(unsigned char b, unsigned char g, unsigned char r)
{
    const int n = 32;
    std::string dib(40, '\0');
    auto put32 = [](std::string& s, std::size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i)
            s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put32(dib, 0, 40);
    put32(dib, 4, n);
    put32(dib, 8, 2 * n);   // XOR and AND halves
    dib[12] = 1;
    dib[14] = 32;
    for (int i = 0; i < n * n; ++i)
        dib += std::string {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r), '\xFF'};
    dib += std::string(static_cast<std::size_t>(n * 4), '\0');   // AND mask, 4 bytes a row
    std::string ico("\0\0\1\0\1\0", 6);
    std::string entry(16, '\0');
    entry[0] = static_cast<char>(n);
    entry[1] = static_cast<char>(n);
    entry[4] = 1;
    entry[6] = 32;
    put32(entry, 8, static_cast<unsigned>(dib.size()));
    put32(entry, 12, 6 + 16);
    return ico + entry + dib;
}

} // namespace

TEST(SystemPictures, IconsAreDecodedByTheSystem)
{
    testing_support::TempDir tmp;
    const std::string ico = tmp.Write("logo.ico", MakeIcon(40, 160, 220));
    const FitResult small = FitToScreenWidth(ico, 64, tmp.path() + "Fitted");
    EXPECT_FALSE(small.fitted);
    const FitResult r = FitToScreenWidth(ico, 16, tmp.path() + "Fitted");
    ASSERT_TRUE(r.fitted);
    const auto p = picture::LoadPicture(r.file);
    EXPECT_EQ(p.width, 16);
    EXPECT_EQ(p.height, 16);
    EXPECT_NEAR(p.rgb[3 * 136], 220, 12);
    EXPECT_NEAR(p.rgb[3 * 136 + 1], 160, 12);
    EXPECT_NEAR(p.rgb[3 * 136 + 2], 40, 12);
}
