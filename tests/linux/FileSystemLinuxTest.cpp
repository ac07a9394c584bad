// Hostile folder contents on Linux: a FIFO must not hang the worker, and
// symbolic links back up the tree must not multiply the wallpaper list.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <future>

#include "config/uAppConfig.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using testing_support::TempDir;

TEST(HostileFolder, AFifoIsNeitherOpenedNorListedAsAPicture)
{
    TempDir t;
    const std::string fifo = t.path() + "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string pic = t.Write("a.jpg", "\xFF\xD8 rest");
    // Run aside, so a regression fails the test instead of hanging it.
    auto probe = std::async(std::launch::async, [&] {
        TAppConfig c(TRunModeInputs {});
        c.LoadFromDir(t.path() + "cfg");
        c.SetWallPaperDir(t.path());
        c.LoadWallPaperList();
        return std::make_pair(IsImageFile(fifo), c.WallPaperList());
    });
    ASSERT_EQ(probe.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "blocked on the FIFO";
    const auto [fifoIsPicture, list] = probe.get();
    EXPECT_FALSE(fifoIsPicture);
    EXPECT_EQ(list, std::vector<std::string> {pic});
    EXPECT_FALSE(platform::OpenStdFile(fifo, "wb"));
}

TEST(HostileFolder, LinksToAnAncestorOrTwiceToOneFolderListItOnce)
{
    TempDir t;
    const std::string pic = t.Write("sub/a.jpg", "\xFF\xD8");
    ASSERT_EQ(::symlink(t.path().c_str(), (t.path() + "sub/up").c_str()), 0);
    ASSERT_EQ(::symlink((t.path() + "sub").c_str(), (t.path() + "again").c_str()), 0);
    std::vector<std::string> files;
    ASSERT_TRUE(ListFiles(&files, t.path(), false));
    EXPECT_EQ(files.size(), 1u);
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& f) { return f.ends_with("/a.jpg"); }),
              1);
}
