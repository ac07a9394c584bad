#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "util/TextUtil.h"

using engine::TWorkThread;
using testing_support::ReadFileBytes;

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

struct Applied {
    std::string file;
    std::uint8_t style;
};

TRunModeInputs OneShotInputs()
{
    TRunModeInputs in;
    in.windowsMajorVersion = 6; // unreadable parent on 6+: a service start
    in.markerExists = [] { return false; };
    return in;
}

class WorkThreadTest : public ::testing::Test {
protected:
    void SetUp() override { MakeConfig(TRunModeInputs {}); }

    void TearDown() override
    {
        if (worker)
            worker->SetActive(false);
        worker.reset();
        AppConfig.reset();
    }

    void MakeConfig(const TRunModeInputs& inputs)
    {
        AppConfig = std::make_unique<TAppConfig>(inputs);
        AppConfig->LoadFromDir(dir.path() + "cfg");
    }

    std::string Picture(const std::string& name, int width = 64, int height = 48)
    {
        return dir.Write("cfg" + std::string(1, platform::PathDelim) + "WallPaper" + platform::PathDelim + name,
                         testing_support::MakeFlatJpeg(width, height, {200, 40, 40}));
    }

    void Start(std::uint16_t port)
    {
        engine::TWorkThreadEnvironment env = engine::TWorkThreadEnvironment::Default();
        env.statusPort = port;
        env.now = [this] { return clock.load(); };
        env.screen = [] { return platform::ScreenSize {1920, 1080}; };
        env.applyWallPaper = [this](const std::string& file, std::uint8_t style) {
            if (onApply)
                onApply();
            std::lock_guard<std::mutex> guard(lock);
            applied.push_back({file, style});
            return true;
        };
        env.closeMainWindow = [this] { ++closes; };
        env.stopLimit = stopLimit;
        env.nothingToShow = [this] {
            if (nothingToShow)
                nothingToShow();
        };
        env.showWallPaperAtStart = showAtStart;
        env.debugOutput = [this](const std::string& line) {
            std::lock_guard<std::mutex> guard(lock);
            diagnostics.push_back(line);
        };
        env.pickFailed = [this](const engine::PickFailure& failure) {
            std::lock_guard<std::mutex> guard(lock);
            notices.push_back(failure);
        };
        env.stallWindow = stallWindow;
        worker = TWorkThread::Create(env);
        worker->SetActive(true);
    }
    void Start() { Start(service.Port()); }

    // The worker's record stream, once it connected.
    std::optional<ClientStatus> NextStatus(int timeoutMs = 5000)
    {
        if (!connection)
            connection = service.Accept(timeoutMs);
        if (!connection)
            return std::nullopt;
        return testing_support::ReceiveStatus(*connection, timeoutMs);
    }

    std::vector<std::string> Diagnostics()
    {
        std::lock_guard<std::mutex> guard(lock);
        return diagnostics;
    }

    std::vector<engine::PickFailure> Notices()
    {
        std::lock_guard<std::mutex> guard(lock);
        return notices;
    }

    std::vector<Applied> AppliedSoFar()
    {
        std::lock_guard<std::mutex> guard(lock);
        return applied;
    }

    bool WaitUntil(const std::function<bool()>& done, std::uint32_t ms = 5000)
    {
        return platform::MainThreadWait(done, ms);
    }
    bool WaitForApplied(std::size_t count)
    {
        return WaitUntil([&] { return AppliedSoFar().size() >= count; });
    }
    void Advance(std::int64_t seconds)
    {
        clock += seconds;
        worker->Wake();
    }

    testing_support::TempDir dir;
    std::atomic<std::int64_t> clock {kStart};
    std::mutex lock;
    std::vector<Applied> applied;
    std::vector<std::string> diagnostics;
    std::vector<engine::PickFailure> notices;
    std::chrono::milliseconds stopLimit {5000};
    std::chrono::milliseconds stallWindow {platform::download::kStallWindowMs};
    bool showAtStart = false;
    std::atomic<int> closes {0};
    std::function<void()> onApply; // on the worker, inside the desktop call
    std::function<void()> nothingToShow;
    platform::TcpListener service;
    std::unique_ptr<platform::TcpConnection> connection;
    std::shared_ptr<TWorkThread> worker;
};

TEST_F(WorkThreadTest, NoIntervalNeverRotatesAndReportsTheLastChangeTime)
{
    Picture("a.jpg");
    AppConfig->SetLastChangeTime(5000);
    Start();
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, 5000);
    EXPECT_EQ(status->ConfigDir, AppConfig->ConfigDir());
    EXPECT_EQ(status->ClientVersion, "1.0.0.717");
    Advance(100000);
    EXPECT_FALSE(NextStatus(300)) << "nothing changed, nothing is sent again";
    EXPECT_TRUE(AppliedSoFar().empty());
    EXPECT_EQ(AppConfig->LastChangeTime(), 5000);
}

// A desktop that forgets its wallpaper when it restarts gets the last pick
// again when the client starts with the session; the schedule goes on as it was.
TEST_F(WorkThreadTest, TheLastPickIsShownAgainAtStartOnlyWhereTheDesktopForgetsIt)
{
    Picture("a.jpg");
    const std::string wide = Picture("wide.jpg", 3840, 2160);
    AppConfig->SetWallPaper(wide);
    AppConfig->SetLastChangeTime(5000);
    Start();
    ASSERT_TRUE(NextStatus());
    EXPECT_TRUE(AppliedSoFar().empty()) << "a desktop that keeps its wallpaper is left alone";
    worker->SetActive(false);
    worker.reset();
    connection.reset();

    showAtStart = true;
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, 5000);
    const auto shown = AppliedSoFar();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].file, wide) << "its copy fitted to the screen";
    EXPECT_EQ(shown[0].style, 0);
    EXPECT_EQ(AppConfig->WallPaper(), wide);
    EXPECT_EQ(AppConfig->LastChangeTime(), 5000);
}

TEST_F(WorkThreadTest, RotatesOncePerIntervalCountedFromTheChange)
{
    const std::string a = Picture("a.jpg"), b = Picture("b.jpg");
    AppConfig->SetChangeTime(15);
    AppConfig->SetLastChangeTime(kStart - 10 * 900); // off for several intervals
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart);
    auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 900);

    Advance(899);
    EXPECT_FALSE(NextStatus(300));
    EXPECT_EQ(AppliedSoFar().size(), 1u);

    Advance(1);
    ASSERT_TRUE(WaitForApplied(2));
    status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 1800);
    const auto shown = AppliedSoFar();
    EXPECT_NE(shown[0].file, shown[1].file);
    EXPECT_EQ(shown[0].style, 2) << "narrower than the screen: stretched";
    EXPECT_EQ(AppConfig->WallPaper(), shown[1].file);
}

TEST_F(WorkThreadTest, FutureLastChangeTimeWaitsForTheWholeInterval)
{
    Picture("a.jpg");
    AppConfig->SetChangeTime(1);
    AppConfig->SetLastChangeTime(kStart + 3600); // the clock was set back
    Start();
    ASSERT_TRUE(NextStatus());
    Advance(3600 + 59);
    EXPECT_FALSE(WaitUntil([&] { return !AppliedSoFar().empty(); }, 300));
    Advance(1);
    EXPECT_TRUE(WaitForApplied(1));
}

TEST_F(WorkThreadTest, ChoosesTheEntryAfterTheCurrentWallpaperWithWrapAround)
{
    struct Case {
        std::string current;  // name of the current wallpaper, "" for one not in the list
        std::string expected;
    };
    const std::string a = Picture("a.jpg"), b = Picture("b.jpg"), c = Picture("c.jpg");
    AppConfig->LoadWallPaperList();
    const auto list = AppConfig->WallPaperList(); // folder order, whatever it is
    ASSERT_EQ(list.size(), 3u);
    const std::vector<Case> cases {
        {"", list[0]},        // absent: the first entry
        {list[0], list[1]},
        {list[2], list[0]},   // last: wraps to the first
    };
    for (const Case& c0 : cases) {
        TearDown();
        MakeConfig(TRunModeInputs {});
        applied.clear();
        connection.reset();
        AppConfig->SetChangeTime(5);
        AppConfig->SetLastChangeTime(0); // the previous round stored its change
        AppConfig->SetWallPaper(c0.current.empty() ? dir.path() + "elsewhere.jpg" : c0.current);
        Start();
        ASSERT_TRUE(WaitForApplied(1));
        EXPECT_EQ(AppliedSoFar()[0].file, c0.expected) << "current " << c0.current;
    }
}

TEST_F(WorkThreadTest, OneEntryIsAppliedAgainEachInterval)
{
    const std::string only = Picture("only.jpg");
    AppConfig->SetChangeTime(1);
    AppConfig->SetWallPaper(only);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    Advance(60);
    ASSERT_TRUE(WaitForApplied(2));
    EXPECT_EQ(AppliedSoFar()[1].file, only);
}

TEST_F(WorkThreadTest, MissingFilesLeaveTheListAndTheNextIsApplied)
{
    Picture("a.jpg"), Picture("b.jpg"), Picture("c.jpg"), Picture("d.jpg");
    AppConfig->LoadWallPaperList();
    const auto list = AppConfig->WallPaperList();
    ASSERT_EQ(list.size(), 4u);
    AppConfig->SetWallPaper(list[0]);
    ASSERT_TRUE(platform::RemoveFile(list[1]));
    ASSERT_TRUE(platform::RemoveFile(list[2]));
    AppConfig->SetChangeTime(1);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppliedSoFar()[0].file, list[3]);
    EXPECT_EQ(AppConfig->WallPaper(), list[3]);
    // Only the in-memory list lost them; the remaining files are untouched.
    EXPECT_TRUE(platform::FileExists(list[0]));
}

TEST_F(WorkThreadTest, EveryFileMissingAppliesNothingButReportsTheNewTime)
{
    const std::string a = Picture("a.jpg");
    AppConfig->SetChangeTime(2);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    ASSERT_TRUE(NextStatus());
    ASSERT_TRUE(platform::RemoveFile(a));
    Advance(120);
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 120 + 120);
    EXPECT_EQ(AppliedSoFar().size(), 1u);
}

TEST_F(WorkThreadTest, ChangedIntervalIsReportedWithoutRotation)
{
    Picture("a.jpg");
    AppConfig->SetLastChangeTime(kStart);
    AppConfig->SetChangeTime(60);
    Start();
    auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 3600);
    AppConfig->SetChangeTime(30); // the settings dialog, on the main thread
    status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 1800);
    EXPECT_TRUE(AppliedSoFar().empty());
}

TEST_F(WorkThreadTest, UndecodablePictureIsDroppedAndRotationGoesOn)
{
    Picture("a.jpg"), Picture("b.jpg");
    AppConfig->LoadWallPaperList();
    const auto list = AppConfig->WallPaperList();
    const std::string bad = list[0], good = list[1];
    // The first candidate starts like a JPEG but is garbage.
    {
        auto f = platform::OpenStdFile(bad, "wb");
        ASSERT_TRUE(f);
        std::fwrite("\xFF\xD8\xFF\xE0garbage", 1, 10, f.get());
    }
    const std::string badBytes = ReadFileBytes(bad);
    AppConfig->SetChangeTime(1);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppliedSoFar()[0].file, good);
    EXPECT_EQ(ReadFileBytes(bad), badBytes) << "the user's file is left alone";
    Advance(60);
    ASSERT_TRUE(WaitForApplied(2)) << "the worker survived the bad picture";
    EXPECT_EQ(AppliedSoFar()[1].file, good) << "the bad picture left the list";
}

TEST_F(WorkThreadTest, UnwritableConfigFileDoesNotStopRotation)
{
    Picture("a.jpg"), Picture("b.jpg");
    // A folder where Config.ini should be: every write fails, for root too.
    ASSERT_TRUE(platform::ForceDirectories(AppConfig->ConfigFile()));
    TearDown();
    MakeConfig(TRunModeInputs {});
    Start();
    // The setter reports the failed write, but the interval is taken.
    EXPECT_THROW(AppConfig->SetChangeTime(1), EIniFileException);
    ASSERT_TRUE(WaitForApplied(1));
    Advance(60);
    ASSERT_TRUE(WaitForApplied(2));
    const auto shown = AppliedSoFar();
    EXPECT_NE(shown[0].file, shown[1].file);
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart + 60);
}

TEST_F(WorkThreadTest, WiderPictureIsAppliedCentredFromTheCache)
{
    const std::string wide = Picture("wide.jpg", 3840, 2160);
    const std::string before = ReadFileBytes(wide);
    AppConfig->SetChangeTime(1);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    const Applied shown = AppliedSoFar()[0];
    EXPECT_EQ(shown.style, 0);
    EXPECT_NE(shown.file, wide);
    EXPECT_EQ(shown.file.rfind(AppConfig->ConfigDir() + "Fitted", 0), 0u);
    EXPECT_EQ(AppConfig->WallPaper(), wide) << "the source stays the recorded wallpaper";
    EXPECT_EQ(ReadFileBytes(wide), before);
}

TEST_F(WorkThreadTest, ServiceThatAppearsLaterGetsTheCurrentRecord)
{
    const std::uint16_t port = testing_support::UnusedPort();
    AppConfig->SetLastChangeTime(777);
    Start(port);
    platform::TcpListener late(port);
    ASSERT_TRUE(late.Listening());
    auto conn = late.Accept(5000);
    ASSERT_TRUE(conn) << "the worker reconnects while the service is absent";
    const auto status = testing_support::ReceiveStatus(*conn);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, 777);
}

TEST_F(WorkThreadTest, OneShotRunMakesExactlyOnePassAndClosesTheWindow)
{
    MakeConfig(OneShotInputs());
    ASSERT_TRUE(AppConfig->OneShotRun());
    Picture("a.jpg");
    AppConfig->SetChangeTime(5);
    Start();
    ASSERT_TRUE(worker->WaitFor(5000)) << "the worker ends by itself";
    EXPECT_EQ(closes.load(), 1);
    EXPECT_EQ(AppliedSoFar().size(), 1u);
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 300);
    EXPECT_FALSE(NextStatus(200));
}

// Stored times at the very ends of the 64-bit range neither overflow nor
// stall the schedule: the next change time saturates.
TEST_F(WorkThreadTest, ExtremeStoredTimesSaturate)
{
    Picture("a.jpg");
    AppConfig->SetChangeTime(1);
    AppConfig->SetLastChangeTime(INT64_MAX);
    Start();
    auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, INT64_MAX);
    EXPECT_TRUE(AppliedSoFar().empty()) << "a time in the far future is never due";
    TearDown();

    MakeConfig(TRunModeInputs {});
    connection.reset();
    AppConfig->SetChangeTime(1);
    AppConfig->SetLastChangeTime(INT64_MIN);
    Start();
    ASSERT_TRUE(WaitForApplied(1)) << "a time in the far past is due at once";
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart);
}

// A full disk or an unwritable Fitted folder is not a bad picture: the wide
// picture stays in the rotation, is shown stretched, and the error is
// reported once, not once per picture or pass.
TEST_F(WorkThreadTest, UnwritableFittedFolderKeepsThePicturesAndShowsThemStretched)
{
    const std::string a = Picture("a.jpg", 3840, 2160), b = Picture("b.jpg", 3000, 2000);
    dir.Write("cfg" + std::string(1, platform::PathDelim) + "Fitted", "a file where the folder should be");
    AppConfig->SetChangeTime(1);
    Start();
    ASSERT_TRUE(WaitForApplied(1));
    for (int i = 2; i <= 3; ++i) {
        Advance(60);
        ASSERT_TRUE(WaitForApplied(static_cast<std::size_t>(i)));
    }
    const auto shown = AppliedSoFar();
    EXPECT_EQ(shown[0].file, shown[2].file) << "both stay in the rotation";
    EXPECT_NE(shown[0].file, shown[1].file);
    for (const Applied& s : shown) {
        EXPECT_TRUE(s.file == a || s.file == b) << s.file;
        EXPECT_EQ(s.style, 2);
    }
    worker->SetActive(false);
    const auto lines = Diagnostics();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("Fitted") != std::string::npos; }),
              1);
}

// The worker reads its folder while a download may already be done: the list
// is built aside and swapped in under the lock (TSan checks the rest), and
// the download's entry is not lost.
TEST_F(WorkThreadTest, DownloadFinishedWhileTheListLoadsIsKept)
{
    for (int i = 0; i < 50; ++i)
        Picture("p" + std::to_string(i) + ".jpg", 8, 8);
    const std::string fresh = Picture("fresh.jpg");
    Start();
    const auto thread = engine::TFileDownLoadThread::Create("http://127.0.0.1/fresh.jpg", fresh, {}, {}, {}, true);
    worker->DownloadDone(*thread);
    ASSERT_TRUE(NextStatus());
    worker->SetActive(false);
    const auto& list = AppConfig->WallPaperList();
    EXPECT_EQ(list.size(), 51u);
    EXPECT_EQ(std::count(list.begin(), list.end(), fresh), 1);
}

// Stopping is bounded: a pass stuck in the desktop call past the limit makes
// SetActive(false) answer false (the owner then ends the process), and a
// portal request that arrives while the main thread waits is refused.
TEST_F(WorkThreadTest, StoppingIsBoundedAndRefusesRequestsWhileItWaits)
{
    testing_support::TestHttpServer http;
    http.Serve("/pic/late.jpg", testing_support::TestResponse::Make(200, testing_support::MakeFlatJpeg(8, 8, {1, 1, 1})));
    Picture("a.jpg");
    AppConfig->SetChangeTime(1);
    std::atomic<bool> release {false};
    std::atomic<bool> inside {false};
    stopLimit = std::chrono::milliseconds(400);
    engine::TWorkThreadEnvironment env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = testing_support::UnusedPort();
    env.now = [this] { return clock.load(); };
    env.screen = [] { return platform::ScreenSize {1920, 1080}; };
    env.applyWallPaper = [&](const std::string&, std::uint8_t) {
        inside = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    };
    env.stopLimit = stopLimit;
    env.debugOutput = [](const std::string&) {};
    worker = TWorkThread::Create(env);
    worker->SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));

    std::thread page([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        platform::RunOnMainThread([&] { worker->RequestDownload(http.Url("/pic/late.jpg") + "?v=x,1,1.jpg"); });
    });
    EXPECT_FALSE(worker->SetActive(false)) << "the pass is still inside the desktop call";
    page.join();
    release = true;
    EXPECT_TRUE(worker->WaitFor(5000));
    EXPECT_EQ(http.Requests("/pic/late.jpg"), 0);
    EXPECT_TRUE(worker->SetActive(false)) << "once it ended, asking again finds it ended";
}

// The settings dialog's report must not wait for a pass stuck in the desktop
// call: it returns at once and the worker sends the record after the pass.
TEST_F(WorkThreadTest, SendStatusDoesNotWaitForARunningPass)
{
    Picture("a.jpg");
    AppConfig->SetChangeTime(1);
    std::mutex gate;
    std::condition_variable changed;
    enum { Before, Inside, Left } pass = Before;
    bool released = false;
    onApply = [&] {
        std::unique_lock<std::mutex> guard(gate);
        pass = Inside;
        changed.notify_all();
        // Bounded, so a SendStatus that waits for the pass fails the test
        // instead of hanging it.
        changed.wait_for(guard, std::chrono::seconds(10), [&] { return released; });
        pass = Left;
    };
    Start();
    {
        std::unique_lock<std::mutex> guard(gate);
        ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return pass == Inside; }));
    }
    AppConfig->SetAutoRun(false);
    worker->SendStatus();
    {
        std::lock_guard<std::mutex> guard(gate);
        EXPECT_EQ(pass, Inside) << "SendStatus waited for the pass";
        released = true;
    }
    changed.notify_all();
    std::optional<ClientStatus> status;
    do
        status = NextStatus();
    while (status && status->AutoRun != 0);
    EXPECT_TRUE(status) << "the record asked for never came";
}

TEST_F(WorkThreadTest, NextWallPaperStepsAtOnceByTheRotationRules)
{
    Picture("a.jpg"), Picture("b.jpg"), Picture("c.jpg");
    AppConfig->LoadWallPaperList();
    const auto list = AppConfig->WallPaperList();
    AppConfig->SetWallPaper(list[0]);
    AppConfig->SetChangeTime(60);
    AppConfig->SetLastChangeTime(kStart - 100); // not due for most of an hour
    Start();
    auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart - 100 + 3600);
    ASSERT_TRUE(platform::RemoveFile(list[1]));

    ASSERT_TRUE(worker->NextWallPaper());
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppliedSoFar()[0].file, list[2]) << "the missing file is skipped";
    EXPECT_EQ(AppConfig->WallPaper(), list[2]);
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart);
    status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 3600);

    // Done with its step, the worker takes the next press (wrapping round).
    clock += 5;
    EXPECT_TRUE(WaitUntil([&] { return worker->NextWallPaper(); }));
    ASSERT_TRUE(WaitForApplied(2));
    EXPECT_EQ(AppliedSoFar()[1].file, list[0]);
}

TEST_F(WorkThreadTest, APressDuringARunningStepIsNotQueued)
{
    Picture("a.jpg"), Picture("b.jpg"), Picture("c.jpg");
    AppConfig->SetChangeTime(0);
    std::mutex gate;
    std::condition_variable changed;
    bool inside = false, released = false;
    onApply = [&] {
        std::unique_lock<std::mutex> guard(gate);
        inside = true;
        changed.notify_all();
        changed.wait_for(guard, std::chrono::seconds(10), [&] { return released; });
    };
    Start();
    ASSERT_TRUE(worker->NextWallPaper());
    {
        std::unique_lock<std::mutex> guard(gate);
        ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return inside; }));
    }
    EXPECT_FALSE(worker->NextWallPaper());
    EXPECT_FALSE(worker->NextWallPaper());
    {
        std::lock_guard<std::mutex> guard(gate);
        released = true;
    }
    changed.notify_all();
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_FALSE(WaitUntil([&] { return AppliedSoFar().size() > 1; }, 500)) << "a second step ran";
    EXPECT_TRUE(worker->NextWallPaper()) << "the step ended, so a press counts again";
    EXPECT_TRUE(WaitForApplied(2));
}

TEST_F(WorkThreadTest, NextWallPaperWithAnEmptyFolderSaysSoAndLooksAgainNextTime)
{
    AppConfig->SetChangeTime(60);
    AppConfig->SetLastChangeTime(kStart - 100);
    std::atomic<int> told {0};
    nothingToShow = [&] { ++told; };
    Start();
    ASSERT_TRUE(worker->NextWallPaper());
    ASSERT_TRUE(WaitUntil([&] { return told == 1; }));
    EXPECT_TRUE(AppliedSoFar().empty());
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart - 100) << "nothing shown, the schedule stays";

    // The user puts a picture into the folder and presses again.
    const std::string a = Picture("a.jpg");
    EXPECT_TRUE(WaitUntil([&] { return worker->NextWallPaper(); }));
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppliedSoFar()[0].file, a);
    EXPECT_EQ(told, 1);
}

// Portal picks, against a local HTTP server. The chosen URL keeps the
// server's port only on the fallback path (the text before "?"), so the
// requests name variants that never fit the 1920 x 1080 test screen.
class PortalPickTest : public WorkThreadTest {
protected:
    std::string Request(const std::string& path) { return http.Url(path) + "?v=pic/x,800,600.jpg"; }
    std::string Dest(const std::string& name) { return AppConfig->WallPaperDir() + name; }
    testing_support::TestHttpServer http;
};

TEST_F(PortalPickTest, DownloadBecomesTheWallpaperAndRestartsThePeriod)
{
    const std::string body = testing_support::MakeFlatJpeg(80, 60, {1, 2, 3});
    http.Serve("/pic/sunset.jpg", testing_support::TestResponse::Make(200, body));
    AppConfig->SetChangeTime(60);
    AppConfig->SetLastChangeTime(kStart - 10);
    Start();
    ASSERT_TRUE(NextStatus());
    clock += 5;
    worker->RequestDownload(Request("/pic/sunset.jpg"));
    ASSERT_TRUE(WaitForApplied(1));
    EXPECT_EQ(AppliedSoFar()[0].file, Dest("sunset.jpg"));
    EXPECT_EQ(ReadFileBytes(Dest("sunset.jpg")), body);
    EXPECT_EQ(AppConfig->WallPaper(), Dest("sunset.jpg"));
    EXPECT_EQ(AppConfig->LastChangeTime(), kStart + 5);
    const auto status = NextStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, kStart + 5 + 3600);
}

TEST_F(PortalPickTest, PathListedInAnotherCaseIsRecordedOnceAndSurvivesARepeat)
{
    const std::string upper = Picture("SUNSET.JPG");
    const std::string upperBytes = ReadFileBytes(upper);
    const std::string body = testing_support::MakeFlatJpeg(80, 60, {1, 2, 3});
    http.Serve("/pic/sunset.jpg", testing_support::TestResponse::Make(200, body));
    Start();
    ASSERT_TRUE(NextStatus()); // the worker loaded its list
    worker->RequestDownload(Request("/pic/sunset.jpg"));
    ASSERT_TRUE(WaitForApplied(1));
    worker->RequestDownload(Request("/pic/sunset.jpg")); // the same picture again
    ASSERT_TRUE(WaitForApplied(2));
    worker->SetActive(false);
    EXPECT_EQ(ReadFileBytes(Dest("sunset.jpg")), body);
    const auto& list = AppConfig->WallPaperList();
    const auto sameText = std::count_if(list.begin(), list.end(),
                                        [&](const std::string& s) { return text::SameText(s, Dest("sunset.jpg")); });
    if constexpr (platform::PathDelim == '\\') {
        EXPECT_EQ(sameText, 1) << "one file whatever the letter case";
    } else {
        // Two files on a case-sensitive file system: both stay, each once.
        EXPECT_EQ(std::count(list.begin(), list.end(), Dest("sunset.jpg")), 1);
        EXPECT_EQ(std::count(list.begin(), list.end(), upper), 1);
        EXPECT_EQ(ReadFileBytes(upper), upperBytes);
    }
}

TEST_F(PortalPickTest, SecondRequestSupersedesTheFirst)
{
    testing_support::TestResponse slow = testing_support::TestResponse::Make(200, "\xFF\xD8partial");
    slow.contentLength = 10'000'000;
    slow.trickleChunk = std::string(512, 'x');
    http.Serve("/pic/slow.jpg", slow);
    const std::string body = testing_support::MakeFlatJpeg(80, 60, {9, 9, 9});
    http.Serve("/pic/fast.jpg", testing_support::TestResponse::Make(200, body));
    Start();
    worker->RequestDownload(Request("/pic/slow.jpg"));
    ASSERT_TRUE(WaitUntil([&] { return http.Requests("/pic/slow.jpg") == 1; }));
    worker->RequestDownload(Request("/pic/fast.jpg"));
    ASSERT_TRUE(WaitForApplied(1));
    worker->SetActive(false); // waits for every download, the given-up one too
    http.StopTrickling();
    const auto shown = AppliedSoFar();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].file, Dest("fast.jpg"));
    EXPECT_TRUE(Notices().empty()) << "a pick given up for a newer one is not a failure to tell";
    EXPECT_FALSE(platform::FileExists(Dest("slow.jpg")));
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(AppConfig->WallPaperDir(), entries));
    EXPECT_EQ(entries.size(), 1u) << "no partial file is left behind";
}

TEST_F(PortalPickTest, AnAnswerThatIsNotAPictureLeavesThePictureOfTheSameNameAlone)
{
    const std::string sunset = Picture("sunset.jpg");
    const std::string before = ReadFileBytes(sunset);
    AppConfig->SetWallPaper(sunset);
    http.Serve("/pic/sunset.jpg", testing_support::TestResponse::Make(200, "<html>an error page</html>"));
    Start();
    ASSERT_TRUE(NextStatus()); // the worker loaded its list
    worker->RequestDownload(Request("/pic/sunset.jpg"));
    ASSERT_TRUE(WaitUntil([&] {
        const auto lines = Diagnostics();
        return std::find(lines.begin(), lines.end(), "Down Fail, Reason: 8007000B") != lines.end();
    }));
    worker->SetActive(false);
    EXPECT_EQ(ReadFileBytes(sunset), before);
    EXPECT_EQ(AppConfig->WallPaper(), sunset);
    EXPECT_EQ(AppConfig->WallPaperList(), std::vector<std::string> {sunset});
    EXPECT_TRUE(AppliedSoFar().empty());
}

// Each failed pick is told once, with what the user can act on, and named in
// the log beside the result code.
TEST_F(PortalPickTest, EveryFailedPickIsToldOnceWithItsCause)
{
    using engine::PickFailureCause;
    stallWindow = std::chrono::milliseconds(300);
    http.Serve("/pic/gone.jpg", testing_support::TestResponse::Make(404, "not here"));
    http.Serve("/pic/page.jpg", testing_support::TestResponse::Make(200, "<html>an error page</html>"));
    testing_support::TestResponse stalled = testing_support::TestResponse::Make(200, "\xFF\xD8");
    stalled.contentLength = 100'000;
    stalled.holdOpen = true;
    http.Serve("/pic/stalled.jpg", stalled);
    Start();
    ASSERT_TRUE(NextStatus()); // the worker made its folder
    const auto pick = [&](const std::string& path) {
        const std::size_t before = Notices().size();
        worker->RequestDownload(Request(path));
        return WaitUntil([&] { return Notices().size() > before; }, 10000);
    };
    ASSERT_TRUE(pick("/pic/gone.jpg"));
    ASSERT_TRUE(pick("/pic/page.jpg"));
    ASSERT_TRUE(pick("/pic/stalled.jpg"));
    // The wallpaper folder replaced by a file: nothing can be written there.
    std::string folder = AppConfig->WallPaperDir();
    folder.pop_back();
    ASSERT_TRUE(std::filesystem::remove(folder));
    dir.Write("cfg" + std::string(1, platform::PathDelim) + "WallPaper", "not a folder");
    ASSERT_TRUE(pick("/pic/gone.jpg"));
    worker->SetActive(false);
    http.StopTrickling();

    const auto told = Notices();
    ASSERT_EQ(told.size(), 4u) << "one notice per pick";
    EXPECT_EQ(told[0].cause, PickFailureCause::ServerAnswer);
    EXPECT_EQ(told[0].httpStatus, 404);
    EXPECT_EQ(told[1].cause, PickFailureCause::NotAPicture);
    EXPECT_EQ(told[2].cause, PickFailureCause::TimedOut);
    EXPECT_EQ(told[3].cause, PickFailureCause::FolderNotWritable);
    const auto lines = Diagnostics();
    for (const char* line : {"Down Fail, Reason: 80190194", "Pick failed: server answered 404",
                             "Pick failed: not a picture", "Pick failed: timed out",
                             "Pick failed: wallpaper folder not writable"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    EXPECT_TRUE(AppliedSoFar().empty());
}

TEST_F(PortalPickTest, UntrustedRequestsReachNeitherNetworkNorDisk)
{
    Start();
    ASSERT_TRUE(NextStatus()); // the worker made its folder
    for (const std::string& request :
         {std::string("file:///etc/passwd?v="), std::string("ftp://127.0.0.1/a.jpg?v="),
          http.Url("/pic/..?v="), http.Url("/pic/nul.jpg?v="), std::string()}) {
        worker->RequestDownload(request);
    }
    worker->SetActive(false);
    EXPECT_EQ(http.Requests("/pic/nul.jpg"), 0);
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(AppConfig->WallPaperDir(), entries));
    EXPECT_TRUE(entries.empty());
}

} // namespace
