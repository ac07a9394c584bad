#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/HttpDownload.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

TEST(HttpDownloadLinux, RedirectsToOtherProtocolsAreRefused)
{
    testing_support::TempDir dir;
    const std::string secret = dir.Write("secret.txt", "local file");
    testing_support::TestHttpServer server;
    server.Serve("/pic.jpg", testing_support::TestResponse::Redirect("file://" + secret));
    const std::int32_t r = platform::DownloadUrlToFile(server.Url("/pic.jpg"), dir.path() + "out",
        [](std::uint32_t, std::uint32_t) { return platform::ProgressAnswer::Continue; });
    EXPECT_NE(r, platform::download::kOk);
    EXPECT_NE(testing_support::ReadFileBytes(dir.path() + "out"), "local file");
    EXPECT_NE(platform::DownloadUrlToFile("file://" + secret, dir.path() + "out2", {}), platform::download::kOk);
}

TEST(HttpDownloadLinux, TheDownloadedFileIsReadableLikeAnySavedFile)
{
    testing_support::TempDir dir;
    testing_support::TestHttpServer server;
    server.Serve("/p.jpg", testing_support::TestResponse::Make(200, "picture"));
    // As the download thread does: a private temporary file first.
    const std::string file = dir.path() + "tmp";
    ASSERT_TRUE(platform::FileExists(dir.Write("tmp", "")));
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_EQ(platform::DownloadUrlToFile(server.Url("/p.jpg"), file, {}), platform::download::kOk);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}
