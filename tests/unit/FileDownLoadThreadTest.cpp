#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "engine/FileDownLoadThread.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/MainThread.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

using engine::TFileDownLoadThread;
using testing_support::TestHttpServer;
using testing_support::TestResponse;
namespace download = platform::download;

namespace {

// Records what the three events saw, as the work thread's handlers would.
struct Recorder {
    std::mutex lock;
    int done = 0;
    int fails = 0;
    std::int32_t code = 0;
    bool doneOffMain = false;
    bool progressAlwaysOnMain = true;
    int progressCalls = 0;
    std::atomic<std::uint32_t> lastProgress {0};
    std::atomic<bool> ended {false};

    TFileDownLoadThread::TDownloadProgressEvent Progress()
    {
        return [this](TFileDownLoadThread& t, std::uint32_t p, std::uint32_t max) {
            progressAlwaysOnMain = progressAlwaysOnMain && platform::IsMainThread();
            ++progressCalls;
            EXPECT_EQ(p, t.Progress());
            EXPECT_EQ(max, t.ProgressMax());
            lastProgress = p;
        };
    }
    TFileDownLoadThread::TNotifyEvent Done()
    {
        return [this](TFileDownLoadThread&) {
            std::lock_guard guard(lock);
            ++done;
            doneOffMain = !platform::IsMainThread();
            ended = true;
        };
    }
    TFileDownLoadThread::TDownloadFailEvent Fail()
    {
        return [this](TFileDownLoadThread&, std::int32_t c) {
            std::lock_guard guard(lock);
            ++fails;
            code = c;
            ended = true;
        };
    }
};

class FileDownLoadThreadTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StartDispatcher(); }

    std::shared_ptr<TFileDownLoadThread> Start(const std::string& url, const std::string& name)
    {
        return TFileDownLoadThread::Create(url, dir.path() + name, rec.Progress(), rec.Done(), rec.Fail(), false);
    }
    // Nothing but the expected files is left in the folder (no temporary file).
    std::size_t FilesInFolder()
    {
        std::vector<platform::DirEntry> entries;
        platform::ListDirectory(dir.path(), entries);
        return entries.size();
    }

    testing_support::TempDir dir;
    TestHttpServer server;
    Recorder rec;
};

std::string Body(std::size_t size)
{
    std::string b(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<char>('a' + i % 26);
    return b;
}

} // namespace

TEST_F(FileDownLoadThreadTest, SuccessWritesTheBodyAndReportsDoneOnTheDownloadThread)
{
    const std::string body = Body(300000);
    server.Serve("/pic/ok,1920,1080.jpg", TestResponse::Make(200, body));
    auto t = Start(server.Url("/pic/ok,1920,1080.jpg"), "ok,1920,1080.jpg");
    EXPECT_TRUE(t->Started());
    ASSERT_TRUE(t->WaitFor(30000)); // serves the progress hand-offs meanwhile
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(rec.fails, 0);
    EXPECT_TRUE(rec.doneOffMain);
    EXPECT_GT(rec.progressCalls, 0);
    EXPECT_TRUE(rec.progressAlwaysOnMain);
    EXPECT_EQ(testing_support::ReadFileBytes(t->DestFile), body);
    EXPECT_EQ(FilesInFolder(), 1u);
    EXPECT_FALSE(t->FatalException());
}

TEST_F(FileDownLoadThreadTest, HttpErrorFailsAndLeavesNoFile)
{
    server.Serve("/missing.jpg", TestResponse::Make(404, "<html>not here</html>"));
    auto t = Start(server.Url("/missing.jpg"), "missing.jpg");
    ASSERT_TRUE(t->WaitFor(30000));
    EXPECT_EQ(rec.done, 0);
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::HttpStatusCode(404));
    EXPECT_FALSE(platform::FileExists(t->DestFile));
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(FileDownLoadThreadTest, AFailedDownloadLeavesAnExistingFileOfTheSameNameAlone)
{
    const std::string old = dir.Write("same.jpg", "the picture already there");
    server.Serve("/broken.jpg", TestResponse::Make(500, "server error page"));
    auto t = Start(server.Url("/broken.jpg"), "same.jpg");
    ASSERT_TRUE(t->WaitFor(30000));
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::HttpStatusCode(500));
    EXPECT_EQ(testing_support::ReadFileBytes(old), "the picture already there");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(FileDownLoadThreadTest, UnreachableServerAndEmptyUrlFail)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(TestHttpServer::UnusedPort()) + "/a.jpg";
    for (const std::string& url : {refused, std::string()}) {
        Recorder r;
        auto t = TFileDownLoadThread::Create(url, dir.path() + "a.jpg", r.Progress(), r.Done(), r.Fail(), false);
        ASSERT_TRUE(t->WaitFor(60000)) << url;
        EXPECT_EQ(r.done, 0) << url;
        EXPECT_EQ(r.fails, 1) << url;
        EXPECT_LT(r.code, 0) << url; // a failure code, never S_OK
    }
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(FileDownLoadThreadTest, TerminateAbortsATricklingTransferAtTheNextNotification)
{
    TestResponse slow = TestResponse::Make(200, Body(1000));
    slow.contentLength = 50000000;
    slow.trickleChunk = Body(100);
    slow.trickleIntervalMs = 20;
    server.Serve("/slow.jpg", slow);
    auto t = Start(server.Url("/slow.jpg"), "slow.jpg");
    ASSERT_TRUE(platform::MainThreadWait([&] { return rec.lastProgress.load() > 0; }, 30000));
    t->Terminate();
    ASSERT_TRUE(t->WaitFor(30000));
    EXPECT_EQ(rec.done, 0);
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::kAborted);
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(FileDownLoadThreadTest, GivenUpWhileRunningItEndsInFailAndFreesItself)
{
    TestResponse slow = TestResponse::Make(200, Body(1000));
    slow.contentLength = 50000000;
    slow.trickleChunk = Body(100);
    slow.trickleIntervalMs = 20;
    server.Serve("/superseded.jpg", slow);
    const std::string kept = dir.Write("superseded.jpg", "the successor's file");
    auto t = Start(server.Url("/superseded.jpg"), "superseded.jpg");
    std::weak_ptr<TFileDownLoadThread> watch = t;
    ASSERT_TRUE(platform::MainThreadWait([&] { return rec.lastProgress.load() > 0; }, 30000));
    // The owner's give-up path.
    t->SetOnDone({});
    t->Terminate();
    ASSERT_TRUE(engine::TThread::HandOverToRun(t));
    EXPECT_FALSE(t);
    EXPECT_TRUE(platform::MainThreadWait([&] { return rec.ended && watch.expired(); }, 30000));
    EXPECT_EQ(rec.done, 0);
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::kAborted);
    EXPECT_EQ(testing_support::ReadFileBytes(kept), "the successor's file");
}

TEST_F(FileDownLoadThreadTest, GivenUpAfterItFinishedNothingMoreIsCalledAndTheOwnerReleasesIt)
{
    server.Serve("/quick.jpg", TestResponse::Make(200, "quick"));
    auto t = Start(server.Url("/quick.jpg"), "quick.jpg");
    ASSERT_TRUE(t->WaitFor(30000));
    std::weak_ptr<TFileDownLoadThread> watch = t;
    t->SetOnDone({});
    EXPECT_FALSE(engine::TThread::HandOverToRun(t));
    ASSERT_TRUE(t);
    t->Terminate();
    t.reset();
    EXPECT_TRUE(platform::MainThreadWait([&] { return watch.expired(); }, 5000));
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(rec.fails, 0);
}

TEST_F(FileDownLoadThreadTest, AnyEmptyEventCreatesItSuspendedAndEmptyOnDoneStaysSilent)
{
    server.Serve("/s.jpg", TestResponse::Make(200, "suspended body"));
    const std::string url = server.Url("/s.jpg");
    const std::string dest = dir.path() + "s.jpg";
    auto noProgress = TFileDownLoadThread::Create(url, dest, {}, rec.Done(), rec.Fail(), false);
    auto noDone = TFileDownLoadThread::Create(url, dest, rec.Progress(), {}, rec.Fail(), false);
    auto noFail = TFileDownLoadThread::Create(url, dest, rec.Progress(), rec.Done(), {}, false);
    EXPECT_FALSE(noProgress->Started());
    EXPECT_FALSE(noDone->Started());
    EXPECT_FALSE(noFail->Started());
    EXPECT_FALSE(noDone->WaitFor(50));
    EXPECT_EQ(server.Requests("/s.jpg"), 0);
    noDone->Resume();
    ASSERT_TRUE(noDone->WaitFor(30000));
    EXPECT_EQ(rec.done + rec.fails, 0);
    EXPECT_EQ(testing_support::ReadFileBytes(dest), "suspended body");
}

TEST_F(FileDownLoadThreadTest, AnAnnouncedBodyOverTheLimitFails)
{
    TestResponse huge = TestResponse::Make(200, Body(1000));
    huge.contentLength = download::kDefaultMaxBytes + 1;
    huge.trickleChunk = Body(100);
    server.Serve("/huge.jpg", huge);
    auto t = Start(server.Url("/huge.jpg"), "huge.jpg");
    ASSERT_TRUE(t->WaitFor(30000));
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::kTooLarge);
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(FileDownLoadThreadTest, AnUnannouncedBodyOverTheLimitFails)
{
    TestResponse endless = TestResponse::Make(200, Body(1000));
    endless.announceLength = false;
    endless.fillerBytes = 200000;
    server.Serve("/endless.jpg", endless);
    auto limited = TFileDownLoadThread::Create(server.Url("/endless.jpg"), dir.path() + "endless.jpg",
                                               rec.Progress(), rec.Done(), rec.Fail(), true);
    limited->SetMaxBytes(100000);
    limited->Resume();
    ASSERT_TRUE(limited->WaitFor(30000));
    EXPECT_EQ(rec.fails, 1);
    EXPECT_EQ(rec.code, download::kTooLarge);
}

TEST_F(FileDownLoadThreadTest, DestinationsThatCannotTakeAFileFailWithoutHarm)
{
    server.Serve("/d.jpg", TestResponse::Make(200, "body"));
    dir.Write("keep.jpg", "kept");
    // A folder that does not exist: nothing is fetched.
    Recorder missing;
    auto t1 = TFileDownLoadThread::Create(server.Url("/d.jpg"), dir.path() + "no" + platform::PathDelim + "d.jpg",
                                          missing.Progress(), missing.Done(), missing.Fail(), false);
    ASSERT_TRUE(t1->WaitFor(30000));
    EXPECT_EQ(missing.fails, 1);
    EXPECT_EQ(missing.code, download::kCannotCreateFile);
    EXPECT_EQ(server.Requests("/d.jpg"), 0);
    // The folder itself (a URL ending in "/" names no file): it stays a folder.
    Recorder folder;
    auto t2 = TFileDownLoadThread::Create(server.Url("/d.jpg"), dir.path(), folder.Progress(), folder.Done(),
                                          folder.Fail(), false);
    ASSERT_TRUE(t2->WaitFor(30000));
    EXPECT_EQ(folder.fails, 1);
    EXPECT_TRUE(platform::DirectoryExists(dir.path()));
    EXPECT_EQ(FilesInFolder(), 1u); // keep.jpg only, no temporary left
}

// The content is judged on the temporary file, and a terminate request that
// comes after the last notification still keeps the file out of place: in
// both cases the file already at DestFile is left as it was.
TEST_F(FileDownLoadThreadTest, RefusedContentOrALateTerminateNeverReplacesTheExistingFile)
{
    server.Serve("/sunset.jpg", TestResponse::Make(200, "<html>an error page</html>"));
    const std::string old = dir.Write("sunset.jpg", "the user's picture");
    struct Case {
        bool accept;
        bool terminateInCheck;
        std::int32_t code;
    };
    for (const Case c : {Case {false, false, download::kBadContent}, Case {true, true, download::kAborted}}) {
        Recorder r;
        auto t = TFileDownLoadThread::Create(server.Url("/sunset.jpg"), old, r.Progress(), r.Done(), r.Fail(), true);
        std::string checked;
        TFileDownLoadThread* raw = t.get();
        t->SetContentCheck([&, raw](const std::string& path) {
            checked = testing_support::ReadFileBytes(path);
            if (c.terminateInCheck)
                raw->Terminate(); // the owner gives it up right after the transfer
            return c.accept;
        });
        t->Resume();
        ASSERT_TRUE(t->WaitFor(30000));
        EXPECT_EQ(checked, "<html>an error page</html>") << "the check saw the new body";
        EXPECT_EQ(r.done, 0);
        EXPECT_EQ(r.fails, 1);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(testing_support::ReadFileBytes(old), "the user's picture");
        EXPECT_EQ(FilesInFolder(), 1u);
    }
}

TEST_F(FileDownLoadThreadTest, AStalledTransferFailsWithItsOwnCode)
{
    // One byte now and then never makes 1 KiB in a window; a server that goes
    // silent after the headers gives the transfer no progress to notice it by.
    TestResponse trickling = TestResponse::Make(200, Body(10));
    trickling.contentLength = 100000;
    trickling.trickleChunk = "x";
    trickling.trickleIntervalMs = 100;
    TestResponse silent = TestResponse::Make(200, "");
    silent.contentLength = 100000;
    silent.holdOpen = true;
    for (const auto& [name, response] : {std::pair {"trickling.jpg", trickling}, std::pair {"silent.jpg", silent}}) {
        SCOPED_TRACE(name);
        rec.fails = 0;
        rec.code = 0;
        server.Serve(std::string("/") + name, response);
        auto t = TFileDownLoadThread::Create(server.Url(std::string("/") + name), dir.path() + name, rec.Progress(),
                                             rec.Done(), rec.Fail(), true);
        t->SetStallWindow(std::chrono::milliseconds(1500));
        t->Resume();
        ASSERT_TRUE(t->WaitFor(20000));
        EXPECT_EQ(rec.fails, 1);
        EXPECT_EQ(rec.code, download::kStalled);
        EXPECT_EQ(FilesInFolder(), 0u);
    }
}

// The interface thread may be busy for long (a modal dialog, a long pass):
// a download nobody watches does not wait for it, and one that reports
// progress does not count the wait as the server's silence.
TEST_F(FileDownLoadThreadTest, ABusyInterfaceThreadNeitherHoldsNorStallsADownload)
{
    TestResponse steady = TestResponse::Make(200, Body(1000));
    steady.contentLength = 1000 + 100 * 100;
    steady.trickleChunk = Body(100);
    steady.trickleIntervalMs = 20;
    server.Serve("/steady.jpg", steady);
    const auto busyUntil = [](const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // runs no handed-over call
        return done();
    };

    auto unwatched = TFileDownLoadThread::Create(server.Url("/steady.jpg"), dir.path() + "a.jpg", {}, rec.Done(),
                                                 rec.Fail(), false);
    unwatched->Resume();
    EXPECT_TRUE(busyUntil([&] { return rec.ended.load(); }));
    ASSERT_TRUE(unwatched->WaitFor(30000));
    EXPECT_EQ(rec.done, 1);

    Recorder watched;
    auto t = TFileDownLoadThread::Create(server.Url("/steady.jpg"), dir.path() + "b.jpg", watched.Progress(),
                                         watched.Done(), watched.Fail(), true);
    t->SetStallWindow(std::chrono::milliseconds(1000));
    t->Resume();
    // Frozen in the middle of the transfer, between two of its 1 KiB steps.
    ASSERT_TRUE(platform::MainThreadWait([&] { return watched.lastProgress.load() >= 2500; }, 30000));
    const auto frozen = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    busyUntil([&] { return std::chrono::steady_clock::now() >= frozen; });
    ASSERT_TRUE(t->WaitFor(30000));
    EXPECT_EQ(watched.fails, 0) << std::hex << watched.code;
    EXPECT_EQ(watched.done, 1);
}
