// Fitting to the screen width: what gets written, where, and what never is.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/FitCache.h"
#include "engine/PictureFit.h"
#include "platform/FileSystem.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"

using namespace testing_support;

namespace {

Rgb Pattern(int x, int y)
{
    return {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5), static_cast<std::uint8_t>((x + y) * 3)};
}

std::vector<std::string> Files(const std::string& dir)
{
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(dir, entries);
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

bool IsBaselineJpeg(const std::string& bytes)
{
    return bytes.size() > 4 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xD8 && FindMarker(bytes, 0xC0) != std::string::npos &&
           FindMarker(bytes, 0xC2) == std::string::npos;
}

class FitTest : public ::testing::Test {
protected:
    TempDir tmp;
    std::string cache = tmp.path() + "Fitted";

    void ExpectFitted(const std::string& name, int w, int h, int screen, int wantH)
    {
        SCOPED_TRACE(name);
        const std::string src = tmp.Write(name, MakeJpeg(w, h, Pattern));
        const std::string before = ReadFileBytes(src);
        const FitResult r = FitToScreenWidth(src, screen, cache);
        ASSERT_TRUE(r.fitted);
        EXPECT_EQ(r.file.rfind(cache, 0), 0U) << r.file;
        EXPECT_EQ(ReadFileBytes(src), before);
        const std::string out = ReadFileBytes(r.file);
        EXPECT_TRUE(IsBaselineJpeg(out));
        const auto pic = picture::LoadPicture(r.file);
        EXPECT_EQ(pic.width, screen);
        EXPECT_EQ(pic.height, wantH);
    }
};

} // namespace

TEST_F(FitTest, WiderPicturesGoToTheCacheAtTheScreenWidth)
{
    ExpectFitted("uhd.jpg", 3840, 2160, 1920, 1080);
    ExpectFitted("strip.jpg", 4000, 1000, 1920, 480);
    ExpectFitted("odd.jpg", 1921, 1083, 1920, 1082);        // 1920*1083/1921 truncated
    ExpectFitted("named.png", 2500, 1000, 1920, 768);        // told by its bytes, not its name
    ExpectFitted("thin.jpg", 3000, 1, 1000, 1);              // never zero rows
}

TEST_F(FitTest, PicturesNoWiderThanTheScreenAreLeftAlone)
{
    for (auto [w, h] : {std::pair {1920, 1080}, {1000, 3000}, {640, 480}}) {
        const std::string src = tmp.Write("p" + std::to_string(w) + ".jpg", MakeJpeg(w, h, Pattern));
        const std::string before = ReadFileBytes(src);
        const FitResult r = FitToScreenWidth(src, 1920, cache);
        EXPECT_FALSE(r.fitted);
        EXPECT_EQ(r.file, src);
        EXPECT_EQ(ReadFileBytes(src), before);
    }
    EXPECT_TRUE(Files(cache).empty());
}

TEST_F(FitTest, MissingFileIsNotFitted)
{
    const FitResult r = FitToScreenWidth(tmp.path() + "gone.jpg", 1920, cache);
    EXPECT_FALSE(r.fitted);
    EXPECT_EQ(r.file, tmp.path() + "gone.jpg");
}

TEST_F(FitTest, WideBitmapBecomesAJpegAndStaysUntouched)
{
    BmpLayout layout;
    layout.width = 300;
    layout.height = 40;
    const std::string src = tmp.Write("wide.bmp", MakeBmp(layout, [](int, int) { return Rgb {10, 200, 30}; }));
    const std::string before = ReadFileBytes(src);
    const FitResult r = FitToScreenWidth(src, 150, cache);
    ASSERT_TRUE(r.fitted);
    EXPECT_EQ(ReadFileBytes(src), before);
    EXPECT_EQ(r.file.substr(r.file.size() - 4), ".jpg");
    EXPECT_TRUE(IsBaselineJpeg(ReadFileBytes(r.file)));
    const auto pic = picture::LoadPicture(r.file);
    EXPECT_EQ(pic.width, 150);
    EXPECT_EQ(pic.height, 20);
}

TEST_F(FitTest, FlatColourStaysThatColourAndGradientsStayMonotonic)
{
    const std::string flat = tmp.Write("flat.jpg", MakeJpeg(3000, 2000, [](int, int) { return Rgb {150, 60, 200}; }));
    const auto f = picture::LoadPicture(FitToScreenWidth(flat, 700, cache).file);
    for (std::size_t i = 0; i < f.rgb.size(); i += 3) {
        ASSERT_NEAR(f.rgb[i], 150, 3) << i;
        ASSERT_NEAR(f.rgb[i + 1], 60, 3) << i;
        ASSERT_NEAR(f.rgb[i + 2], 200, 3) << i;
    }
    const std::string ramp = tmp.Write("ramp.jpg", MakeJpeg(4096, 64, [](int x, int) {
        const auto v = static_cast<std::uint8_t>(x / 16);
        return Rgb {v, v, v};
    }));
    const auto g = picture::LoadPicture(FitToScreenWidth(ramp, 1000, cache).file);
    std::vector<double> column(static_cast<std::size_t>(g.width), 0.0);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            column[static_cast<std::size_t>(x)] += g.rgb[(static_cast<std::size_t>(y) * g.width + x) * 3];
    for (int x = 1; x < g.width; ++x)
        EXPECT_GE(column[x] / g.height, column[x - 1] / g.height - 1.0) << x;
    ASSERT_EQ(g.width, 1000);
    EXPECT_LT(column[0] / g.height, 4.0);
    EXPECT_GT(column[999] / g.height, 251.0);
}

TEST_F(FitTest, CacheKeepsOnlyTheNewestFewAndReusesNames)
{
    std::vector<std::string> fitted;
    for (int i = 0; i < 7; ++i) {
        const std::string src = tmp.Write("pic" + std::to_string(i) + ".jpg", MakeJpeg(400, 100, Pattern));
        fitted.push_back(FitToScreenWidth(src, 200, cache).file);
        // File times are coarse (a few ms); the cache orders by them.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_LE(Files(cache).size(), static_cast<std::size_t>(picture::kFitCacheKeep));
    }
    EXPECT_TRUE(platform::FileExists(fitted[6]));
    EXPECT_TRUE(platform::FileExists(fitted[5]));
    EXPECT_FALSE(platform::FileExists(fitted[0]));
    // The same source fits into the same file again.
    const std::string again = FitToScreenWidth(tmp.path() + "pic6.jpg", 100, cache).file;
    EXPECT_EQ(again, fitted[6]);
    EXPECT_EQ(picture::LoadPicture(again).width, 100);
}

TEST(FitCacheName, HashesTheWholePathAndKeepsOnlySafeCharacters)
{
    const std::string a = picture::FitCacheName("/a/b/Sunset Ü.jpg");
    EXPECT_EQ(a.size(), 16 + 1 + std::string("Sunset___").size() + 4);
    EXPECT_EQ(a.substr(16), "-Sunset___.jpg");
    EXPECT_NE(picture::FitCacheName("/a/c/Sunset Ü.jpg"), a);
    EXPECT_EQ(picture::FitCacheName("C:\\w\\..\\x.bmp").substr(16), "-x.jpg");
}

TEST_F(FitTest, FailedWritesLeaveNoFileBehind)
{
    const std::string src = tmp.Write("ok.jpg", MakeJpeg(400, 100, Pattern));
    // The output name is taken by a folder: the finished picture cannot be put there.
    platform::ForceDirectories(tmp.path() + "out" + platform::PathDelim + "target.jpg");
    const std::string outDir = tmp.path() + "out";
    EXPECT_THROW(picture::FitPictureFile(src, 100, outDir + platform::PathDelim + "target.jpg"), EPictureError);
    EXPECT_EQ(Files(outDir), std::vector<std::string> {"target.jpg"});

    // A damaged picture fails half way: neither a cache file nor a temporary remains.
    std::string bytes = MakeJpeg(800, 400, Pattern);
    bytes.resize(bytes.size() / 2);
    const std::string cut = tmp.Write("cut.jpg", bytes);
    try {
        FitToScreenWidth(cut, 300, cache);
        ADD_FAILURE() << "a damaged picture fitted";
    } catch (const EPictureWriteError&) {
        ADD_FAILURE() << "a damaged picture is a read error, not a write error";
    } catch (const EPictureError&) {
    }
    EXPECT_TRUE(Files(cache).empty());

    // A cache folder that cannot be made: the picture is fine, the write is not.
    const std::string blocked = tmp.Write("blocked", "x");
    EXPECT_THROW(FitToScreenWidth(src, 100, blocked + platform::PathDelim + "Fitted"), EPictureWriteError);

    // A stop request ends the fit between rows, leaving nothing behind.
    int rows = 0;
    EXPECT_THROW(FitToScreenWidth(src, 100, cache, [&] { return ++rows > 10; }), EPictureCancelled);
    EXPECT_EQ(rows, 11);
    EXPECT_TRUE(Files(cache).empty());
}

TEST(FittedHeight, TruncatesTheProductAndNeverGivesZero)
{
    EXPECT_EQ(picture::FittedHeight(3840, 2160, 1920), 1080);
    EXPECT_EQ(picture::FittedHeight(3, 2, 2), 1);
    EXPECT_EQ(picture::FittedHeight(65535, 1, 1920), 1);
    EXPECT_THROW(picture::FittedHeight(0, 10, 10), EPictureError);
}

TEST_F(FitTest, ExtremeTargetsAreScaledOrRefusedCleanly)
{
    const std::string src = tmp.Write("grey.jpg", MakeJpeg(3000, 2000, [](int, int) { return Rgb {90, 90, 90}; }));
    const auto tiny = picture::FitPictureFile(src, 1, tmp.path() + "tiny.jpg");
    EXPECT_EQ(tiny.width, 1);
    EXPECT_EQ(tiny.height, 1);
    EXPECT_NEAR(picture::LoadPicture(tmp.path() + "tiny.jpg").rgb[0], 90, 3);
    const std::string tall = tmp.Write("tall.jpg", MakeJpeg(2, 3000, Pattern));
    EXPECT_THROW(picture::FitPictureFile(tall, 60000, tmp.path() + "big.jpg"), EPictureError);
    EXPECT_THROW(picture::FitPictureFile(src, 0, tmp.path() + "zero.jpg"), EPictureError);
    EXPECT_FALSE(platform::FileExists(tmp.path() + "big.jpg"));
}
