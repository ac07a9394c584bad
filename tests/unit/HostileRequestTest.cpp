#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "engine/ImageChoice.h"
#include "engine/Url.h"
#include "support/HostileRequests.h"
#include "util/TextUtil.h"

using engine::ChooseImageUrl;
using engine::DownloadDestination;
using testing_support::HostileRequests;
using testing_support::NamedRequest;
using testing_support::RequestScreens;

namespace {

const std::string kFolder = "/srv/wall/";

// A destination, if any, is the folder plus one plain name, also after the
// path is normalised.
void ExpectInsideFolder(const std::string& url, const std::string& what)
{
    const std::optional<std::string> dest = DownloadDestination(kFolder, url);
    if (!dest)
        return;
    ASSERT_EQ(dest->rfind(kFolder, 0), 0u) << what;
    const std::string name = dest->substr(kFolder.size());
    EXPECT_FALSE(name.empty()) << what;
    EXPECT_EQ(name.find_first_of(std::string("/\\:\0", 4)), std::string::npos) << what;
    EXPECT_EQ(name.find(".."), std::string::npos) << what;
    EXPECT_EQ(text::Utf16ToUtf8(text::Utf8ToUtf16(name)), name) << what << " is not UTF-8";
    const std::filesystem::path normal = std::filesystem::path(*dest).lexically_normal();
    EXPECT_EQ(normal.parent_path(), std::filesystem::path(kFolder + "x").lexically_normal().parent_path()) << what;
}

} // namespace

TEST(HostileRequests, NothingLeavesTheWallpaperFolder)
{
    for (const NamedRequest& r : HostileRequests()) {
        engine::TUrl url;
        url.SetUrl(r.text);
        EXPECT_EQ(url.Document.find('/'), std::string::npos) << r.name;
        ExpectInsideFolder(r.text, r.name);
        for (const auto& screen : RequestScreens()) {
            const std::string chosen = ChooseImageUrl(r.text, screen.width, screen.height);
            // Whatever is chosen comes from the request: base (with at most
            // brackets and an 11-character port added) plus a piece of it, or its front.
            EXPECT_LE(chosen.size(), r.text.size() + url.Protocol.size() + url.Host.size() + 4 + 2 + 12) << r.name;
            ExpectInsideFolder(chosen, r.name + " @" + std::to_string(screen.width));
        }
    }
}

TEST(HostileRequests, ChooseWhatTheRulesSay)
{
    const std::string nul(1, '\0');
    struct Case {
        std::string request;
        std::optional<std::string> dest; // on a 1920 x 1080 screen
    };
    const Case cases[] = {
        // Never decoded: "%00" and "%2e%2e%2f" are plain characters of a name.
        {"http://host/v.jpg?v=p/a%00,1920,1080.jpg", kFolder + "a%00,1920,1080.jpg"},
        {"http://host/v.jpg?v=%2e%2e%2f%2e%2e%2fx,1920,1080.jpg", kFolder + "%2e%2e%2f%2e%2e%2fx,1920,1080.jpg"},
        // Only the last segment names the file, however the entry climbs.
        {"http://host/v.jpg?v=../../../etc/passwd,1920,1080.jpg", kFolder + "passwd,1920,1080.jpg"},
        {"http://host/v.jpg?v=..\\..\\Windows\\x,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=C:\\Windows\\x,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/a.jpg:evil,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/..,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/a" + nul + ",1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/\xED\xA0\x80,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/\xC0\xAF,1920,1080.jpg", std::nullopt},
        {"http://host/v.jpg?v=p/x,1920,1080.jpg .", std::nullopt},
        {"file:///etc/passwd?v=etc/shadow,1920,1080.jpg", std::nullopt},
        {"host/v.jpg?v=p/a,1920,1080.jpg", std::nullopt}, // ":///p/..." is no web address
        {"http://host/v.jpg?v=p/" + std::string(300, 'n') + ",1920,1080.jpg", std::nullopt},
        {"http://host/nul.jpg?v=p/con.jpg", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DownloadDestination(kFolder, ChooseImageUrl(c.request, 1920, 1080)), c.dest) << c.request;
}
