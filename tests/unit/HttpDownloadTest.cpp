#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/FileSystem.h"
#include "platform/HttpDownload.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

using testing_support::TestHttpServer;
using testing_support::TestResponse;

TEST(HttpDownload, AnAbortAnswerStopsTheTransferWithEAbort)
{
    TestHttpServer server;
    TestResponse slow = TestResponse::Make(200, std::string(500, 'x'));
    slow.contentLength = 10000000;
    slow.trickleChunk = std::string(50, 'y');
    server.Serve("/slow", slow);
    testing_support::TempDir dir;
    int calls = 0;
    const std::int32_t r = platform::DownloadUrlToFile(server.Url("/slow"), dir.path() + "f",
        [&](std::uint32_t, std::uint32_t) {
            return ++calls >= 3 ? platform::ProgressAnswer::Abort : platform::ProgressAnswer::Continue;
        });
    EXPECT_EQ(r, platform::download::kAborted);
    EXPECT_EQ(calls, 3); // no notification after the abort
}

TEST(HttpDownload, AnExceptionFromTheProgressCallbackReachesTheCaller)
{
    TestHttpServer server;
    server.Serve("/x", TestResponse::Make(200, std::string(1000, 'x')));
    testing_support::TempDir dir;
    EXPECT_THROW(platform::DownloadUrlToFile(server.Url("/x"), dir.path() + "f",
                     [](std::uint32_t, std::uint32_t) -> platform::ProgressAnswer {
                         throw std::runtime_error("progress failed");
                     }),
                 std::runtime_error);
}

TEST(HttpDownload, FollowsARedirectToThePicture)
{
    TestHttpServer server;
    server.Serve("/old.jpg", TestResponse::Redirect(server.Url("/new.jpg")));
    server.Serve("/new.jpg", TestResponse::Make(200, "moved picture"));
    testing_support::TempDir dir;
    const std::int32_t r = platform::DownloadUrlToFile(server.Url("/old.jpg"), dir.path() + "f",
        [](std::uint32_t, std::uint32_t) { return platform::ProgressAnswer::Continue; });
    EXPECT_EQ(r, platform::download::kOk);
    EXPECT_EQ(testing_support::ReadFileBytes(dir.path() + "f"), "moved picture");
    EXPECT_EQ(server.Requests("/new.jpg"), 1);
}
