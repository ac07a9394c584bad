// Temporaries a killed client left behind are removed at start: only ours,
// by their exact pattern, and only once nobody has written to them for a while.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/StaleTemporaries.h"
#include "platform/FileSystem.h"
#include "platform/FileTime.h"
#include "platform/HttpDownload.h"
#include "platform/ProfileFile.h"
#include "support/TempDir.h"

namespace {

constexpr char D = platform::PathDelim;

std::int64_t Now()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch()).count() * 10;
}

} // namespace

TEST(StaleTemporaries, OnlyOurOwnOldTemporariesGo)
{
    testing_support::TempDir t;
    const std::string cfg = t.path() + "cfg" + D, wall = cfg + "WallPaper" + D, fitted = cfg + "Fitted" + D;
    ASSERT_TRUE(platform::ForceDirectories(wall) && platform::ForceDirectories(fitted));
    std::vector<std::string> ours {platform::CreateUniqueFile(wall, platform::download::kTempPrefix),
                                   platform::CreateUniqueFile(fitted, "fit")};
    if (const std::string prefix = platform::ProfileTempPrefix(cfg + "Config.ini"); !prefix.empty())
        ours.push_back(platform::CreateUniqueFile(cfg, prefix));
    // Names that only look like ours, and the user's pictures.
    const std::vector<std::string> others {t.Write("cfg" + std::string(1, D) + "WallPaper" + D + ".pictavo-notes.txt", "x"),
                                           t.Write("cfg" + std::string(1, D) + "Fitted" + D + "fit-abc.jpg", "x"),
                                           t.Write("cfg" + std::string(1, D) + "WallPaper" + D + "a.jpg", "\xFF\xD8"),
                                           t.Write("cfg" + std::string(1, D) + "Config.ini", "[Config]")};
    for (const auto& p : ours)
        ASSERT_FALSE(p.empty());

    // Fresh ones may belong to a write under way.
    engine::RemoveStaleTemporaries(cfg, wall, fitted, Now());
    for (const auto& p : ours)
        EXPECT_TRUE(platform::FileExists(p)) << p;

    engine::RemoveStaleTemporaries(cfg, wall, fitted, Now() + engine::kStaleAfter + 10'000'000);
    for (const auto& p : ours)
        EXPECT_FALSE(platform::FileExists(p)) << p;
    for (const auto& p : others)
        EXPECT_TRUE(platform::FileExists(p)) << p;
}
