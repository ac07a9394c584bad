#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/ImageChoice.h"

using engine::ChooseImageUrl;
using engine::DownloadFileName;
using engine::ReduceRatio;

namespace {

// The reduction as first written: step i up from 2, dividing out common factors.
std::string LiteralReduceRatio(std::int32_t a, std::int32_t b)
{
    std::int32_t i = 2;
    do {
        if (a % i == 0 && b % i == 0) {
            a /= i;
            b /= i;
        } else {
            ++i;
        }
    } while (!(b < i || a < i));
    return std::to_string(a) + "," + std::to_string(b);
}

const std::string kTwoSizes = "http://host/pic/view.jpg?v=pic/a,1920,1080.jpg;pic/a,1280,1024.jpg";

} // namespace

TEST(ReduceRatio, ReducesScreenSizes)
{
    EXPECT_EQ(ReduceRatio(1920, 1080), "16,9");
    EXPECT_EQ(ReduceRatio(1280, 1024), "5,4");
    EXPECT_EQ(ReduceRatio(1440, 900), "8,5");
    EXPECT_EQ(ReduceRatio(1024, 768), "4,3");
    EXPECT_EQ(ReduceRatio(1366, 768), "683,384");
    EXPECT_EQ(ReduceRatio(0, 1080), "0,540");
    EXPECT_EQ(ReduceRatio(0, 0), "0,0");
    EXPECT_EQ(ReduceRatio(1, 1), "1,1");
    EXPECT_EQ(ReduceRatio(2, 2), "1,1");
    EXPECT_EQ(ReduceRatio(3, 6), "1,2");
    EXPECT_EQ(ReduceRatio(2, 3), "2,3");
    EXPECT_EQ(ReduceRatio(-1920, -1080), "-960,-540"); // one halving only
    EXPECT_EQ(ReduceRatio(INT_MIN, INT_MIN), "-1073741824,-1073741824");
    EXPECT_EQ(ReduceRatio(INT_MIN, 0), "-1073741824,0");
    EXPECT_EQ(ReduceRatio(INT_MAX, INT_MAX), "1,1");
    // Two large primes: the stepping loop would count to 2^31 here.
    EXPECT_EQ(ReduceRatio(2147483647, 2147483629), "2147483647,2147483629");
}

TEST(ReduceRatio, MatchesTheSteppingLoop)
{
    for (std::int32_t a = -60; a <= 200; ++a)
        for (std::int32_t b = -60; b <= 200; ++b)
            ASSERT_EQ(ReduceRatio(a, b), LiteralReduceRatio(a, b)) << a << "," << b;
    const std::int32_t sizes[][2] = {{1920, 1080}, {2560, 1440}, {3840, 2160}, {1366, 768}, {1280, 800},
                                     {1680, 1050}, {4096, 4096}, {7919, 7907}, {65536, 3}, {-5, 65536}};
    for (const auto& s : sizes)
        EXPECT_EQ(ReduceRatio(s[0], s[1]), LiteralReduceRatio(s[0], s[1])) << s[0] << "," << s[1];
}

TEST(ChooseImageUrl, PicksTheVariantForTheScreen)
{
    struct Case {
        std::string request;
        int width, height;
        std::string url;
    };
    const std::string three = kTwoSizes + ";pic/a,1024,768.jpg";
    const Case cases[] = {
        {kTwoSizes, 1920, 1080, "http://host/pic/a,1920,1080.jpg"},
        {kTwoSizes, 1600, 900, "http://host/pic/a,1920,1080.jpg"}, // same ratio
        {kTwoSizes, 1366, 768, "http://host/pic/view.jpg"},        // before "?"
        {three, 1280, 1024, "http://host/pic/a,1280,1024.jpg"},
        {three, 800, 600, "http://host/pic/a,1024,768.jpg"},
        // Letter case is ignored for the match and kept in the result.
        {"http://host/v.jpg?v=pic/a,1920,1080.JPG", 1920, 1080, "http://host/pic/a,1920,1080.JPG"},
        // One comma: the size is found, but the width reads as 0 for the ratio.
        {"http://host/v.jpg?v=pic/1920,1080.jpg", 1920, 1080, "http://host/pic/1920,1080.jpg"},
        {"http://host/v.jpg?v=pic/1920,1080.jpg", 1600, 900, "http://host/v.jpg"},
        // Containment anywhere; the first containing candidate wins.
        {"http://host/v.jpg?v=a;x/pre1920,1080.jpgpost;pic/a,1920,1080.jpg", 1920, 1080,
         "http://host/x/pre1920,1080.jpgpost"},
        // The portal's port is kept (else another server would be asked), the user name is not.
        {"https://me@host:8443/v.jpg?v=p/a,1920,1080.jpg", 1920, 1080, "https://host:8443/p/a,1920,1080.jpg"},
        {"http://host:80/v.jpg?v=p/a,1920,1080.jpg", 1920, 1080, "http://host/p/a,1920,1080.jpg"},
        {"http://host:abc/v.jpg?v=p/a,1920,1080.jpg", 1920, 1080, "http://host/p/a,1920,1080.jpg"},
        {"http://[::1]:8080/v.jpg?v=p/a,1920,1080.jpg", 1920, 1080, "http://[::1]:8080/p/a,1920,1080.jpg"},
        {"http://[::1]/v.jpg?v=p/a,1920,1080.jpg", 1920, 1080, "http://[::1]/p/a,1920,1080.jpg"},
        // The request's own path is the last candidate of both passes.
        {"http://host/pic/b,1920,1080.jpg?v=pic/a,1280,1024.jpg", 1920, 1080, "http://host/pic/b,1920,1080.jpg"},
        {"http://host/pic/b,1920,1080.jpg?v=pic/a,1920,1080.jpg", 1920, 1080, "http://host/pic/a,1920,1080.jpg"},
        {"http://host/pic/b,1920,1080.jpg?v=x", 1600, 900, "http://host/pic/b,1920,1080.jpg"},
        // Everything after the first "=" is the list.
        {"http://host/v.jpg?a=x;p/c,1920,1080.jpg&b=z", 1920, 1080, "http://host/p/c,1920,1080.jpg&b=z"},
        {"http://host/v.jpg", 1366, 768, ""},
        {"pic/view.jpg?v=pic/a,1920,1080.jpg", 1920, 1080, ":///pic/a,1920,1080.jpg"},
        {"", 1920, 1080, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseImageUrl(c.request, c.width, c.height), c.url) << c.request << " @" << c.width << "x" << c.height;
}

TEST(ChooseImageUrl, SplitsTheListAtSemicolons)
{
    // Empty entries between semicolons are skipped over, not a stop.
    const std::string own = "http://host/pic/v,3,3.jpg?v=";
    EXPECT_EQ(ChooseImageUrl(own + "p/a,5,5.jpg;", 1920, 1080), "http://host/pic/v,3,3.jpg");
    EXPECT_EQ(ChooseImageUrl(own + "p/a,5,5.jpg;;p/b,16,9.jpg", 1920, 1080), "http://host/p/b,16,9.jpg");
    EXPECT_EQ(ChooseImageUrl(own + ";p/c,1920,1080.jpg", 1920, 1080), "http://host/p/c,1920,1080.jpg");
    EXPECT_EQ(ChooseImageUrl(own, 0, 0), "http://host/pic/v,3,3.jpg");
}

TEST(ChooseImageUrl, HandlesHostileRequests)
{
    const std::string megabyte(1 << 20, 'a');
    EXPECT_EQ(ChooseImageUrl("http://host/v.jpg?v=" + megabyte, 1920, 1080), "http://host/v.jpg");

    std::string many = "http://host/v.jpg?v=";
    for (int i = 0; i < 10000; ++i)
        many += "p/e" + std::to_string(i) + ",7,3.jpg;";
    EXPECT_EQ(ChooseImageUrl(many, 1366, 768), "http://host/v.jpg");
    EXPECT_EQ(ChooseImageUrl(many + "p/hit,1920,1080.jpg", 1920, 1080), "http://host/p/hit,1920,1080.jpg");

    // Two large primes as width and height: reduced at once, no stepping to 2^31.
    EXPECT_EQ(ChooseImageUrl("http://host/v.jpg?v=x,2147483647,2147483629.jpg", 1366, 768), "http://host/v.jpg");

    const std::string commas = "http://host/v.jpg?v=,,,,....;,.,.,.;1920,,1080..jpg;,,;..;";
    EXPECT_EQ(ChooseImageUrl(commas, 1920, 1080), "http://host/v.jpg");
    // A candidate of commas and dots alone can carry a ratio; its name is then refused.
    const std::string chosen = ChooseImageUrl("http://host/v.jpg?v=,,;,16,9.", 1600, 900);
    EXPECT_EQ(chosen, "http://host/,16,9.");
    EXPECT_FALSE(DownloadFileName(chosen));
    // A width beyond 32 bits reads as 0, which matches no screen.
    EXPECT_EQ(ChooseImageUrl("http://host/v.jpg?v=p/a,99999999999,1.jpg", 0, 1), "http://host/v.jpg");
    EXPECT_EQ(ChooseImageUrl("http://host/v.jpg?v=p/a,99999999999,1.jpg", 2, 1), "http://host/v.jpg");

    const std::string nul = std::string("http://host/v.jpg?v=p/a") + '\0' + ",1920,1080.jpg";
    EXPECT_EQ(ChooseImageUrl(nul, 1920, 1080), std::string("http://host/p/a") + '\0' + ",1920,1080.jpg");
    EXPECT_FALSE(DownloadFileName(ChooseImageUrl(nul, 1920, 1080)));

    const std::string bad = "http://host/v.jpg?v=p/\xED\xA0\x80\xFF,1920,1080.jpg";
    EXPECT_EQ(ChooseImageUrl(bad, 1920, 1080), "http://host/p/\xED\xA0\x80\xFF,1920,1080.jpg");
    EXPECT_FALSE(DownloadFileName(ChooseImageUrl(bad, 1920, 1080)));
}

TEST(DownloadFileName, AcceptsPlainNamesOfWebAddresses)
{
    EXPECT_EQ(DownloadFileName("http://host/pic/a,1920,1080.jpg"), "a,1920,1080.jpg");
    EXPECT_EQ(DownloadFileName("HTTPS://host/a.jpg"), "a.jpg");
    EXPECT_EQ(DownloadFileName("http://host/%2e%2e"), "%2e%2e"); // never decoded
    EXPECT_EQ(DownloadFileName("http://host/a%00.jpg"), "a%00.jpg");
    EXPECT_EQ(DownloadFileName("http://host/\xE5\x9B\xBE\xE7\x89\x87.jpg"), "\xE5\x9B\xBE\xE7\x89\x87.jpg");
    EXPECT_EQ(DownloadFileName("http://host/com10.jpg"), "com10.jpg");
    EXPECT_EQ(DownloadFileName("http://host/console.jpg"), "console.jpg");
    EXPECT_EQ(DownloadFileName("http://host/" + std::string(255, 'a')), std::string(255, 'a'));
    EXPECT_EQ(engine::DownloadDestination("D:\\Wall\\", "http://h/p/a.jpg"), "D:\\Wall\\a.jpg");
}

TEST(DownloadFileName, RefusesNamesThatCouldLeaveTheFolder)
{
    const std::string refused[] = {
        "", "file:///etc/passwd", "ftp://host/a.jpg", "http:/host/a.jpg", "javascript:x/a.jpg",
        " http://host/a.jpg", "httpx://host/a.jpg", "http://host/", "http://host/..", "http://host/.",
        "http://host/a/..", "http://host/a..b.jpg", "http://host/...", "http://host/..\\x",
        "http://host/a\\..\\..\\x.jpg", "http://host/C:x",
        "http://host/nul.jpg", "http://host/NUL", "http://host/Con .jpg", "http://host/com1.jpg",
        "http://host/LPT9", "http://host/aux.tar.gz", "http://host/prn", "http://host/conin$",
        "http://host/com\xC2\xB9.jpg", "http://host/x.jpg.", "http://host/x.jpg ", "http://host/a?.jpg",
        "http://host/a*.jpg", "http://host/a|b", "http://host/a<b>", "http://host/a\"b",
        "http://host/a\tb", "http://host/a\x7F" "b", std::string("http://host/a") + '\0' + "b",
        "http://host/a\xFF.jpg", "http://host/\xED\xA0\x80.jpg", "http://host/\xC0\xAF.jpg",
        "http://host/\xE4\xB8.jpg", "http://host/" + std::string(256, 'a'),
        "http://host/" + [] { std::string s; for (int i = 0; i < 128; ++i) s += "\xF0\x9F\x8C\x84"; return s; }(),
    };
    for (const std::string& url : refused) {
        EXPECT_FALSE(DownloadFileName(url)) << url;
        EXPECT_FALSE(engine::DownloadDestination("D:\\Wall\\", url)) << url;
    }
}

// Without a display (Wayland without XWayland) nothing is chosen by size:
// neither "0,0.jpg" inside a name nor a candidate whose sides read as 0.
TEST(ChooseImageUrl, NoScreenTakesTheFallback)
{
    const std::string request = "http://h/pic/view.jpg?v=pic/a,10,0.jpg;pic/1920,1080.jpg";
    EXPECT_EQ(ChooseImageUrl(request, 0, 0), "http://h/pic/view.jpg");
}
