#include "engine/uWorkThread.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <utility>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "engine/ImageChoice.h"
#include "engine/LocalTime.h"
#include "engine/PictureFit.h"
#include "engine/PictureSource.h"
#include "engine/PickTrace.h"
#include "engine/StaleTemporaries.h"
#include "engine/WallpaperApply.h"
#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "util/TextUtil.h"
#include "util/uCommonFunction.h"

namespace engine {
namespace {

constexpr std::uint8_t kStyleCenter = 0;
constexpr std::uint8_t kStyleStretch = 2;
constexpr auto kStopLimit = std::chrono::milliseconds(5000);
// Longest sleep between passes: a changed wall clock is noticed within it.
constexpr auto kMaxIdle = std::chrono::seconds(1);

// Result code of a request refused before anything was fetched.
constexpr std::int32_t kBadRequest = static_cast<std::int32_t>(0x80070057);   // E_INVALIDARG
// Result code of a pick that arrived but could not be shown for another reason.
constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x80004005);   // E_FAIL

// Wallpaper paths name files: Windows file names ignore letter case, Linux
// ones do not (SUNSET.JPG and sunset.jpg are two pictures there).
bool SamePath(const std::string& a, const std::string& b)
{
    if constexpr (platform::PathDelim == '\\')
        return text::SameText(a, b);
    else
        return a == b;
}

std::ptrdiff_t IndexOfPath(const std::vector<std::string>& list, const std::string& s)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (SamePath(list[i], s))
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// Times come from Config.ini and may be anything: clamp instead of overflowing.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r))
        return b > 0 ? INT64_MAX : INT64_MIN;
    return r;
}

std::int64_t SaturatingSub(std::int64_t a, std::int64_t b)
{
    std::int64_t r = 0;
    if (__builtin_sub_overflow(a, b, &r))
        return b < 0 ? INT64_MAX : INT64_MIN;
    return r;
}

std::string FittedCacheDir()
{
    return AppConfig->ConfigDir() + "Fitted";
}

// Only a file that opens as a picture may take the place of a download's
// destination; the header is enough to tell an error page or a PNG.
bool IsUsablePicture(const std::string& path)
{
    try {
        picture::OpenPicture(path);
        return true;
    } catch (const EPictureError&) {
        return false;
    }
}

std::uint32_t MsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<std::uint32_t>(left.count()) : 0;
}

} // namespace

TWorkThreadEnvironment TWorkThreadEnvironment::Default()
{
    TWorkThreadEnvironment env;
    env.statusPort = StatusPort;
    env.minConnectInterval = std::chrono::seconds(1);
    env.now = [] { return LocalUnixTime(); };
    env.screen = [] { return platform::PrimaryScreenSize(); };
    env.applyWallPaper = [](const std::string& path, std::uint8_t style) { return ApplyWallPaper(path, style); };
    env.stopLimit = kStopLimit;
    env.debugOutput = [](const std::string& line) { platform::DebugOutput(line); };
    env.showWallPaperAtStart = !platform::DesktopKeepsWallpaper();
    return env;
}

std::shared_ptr<TWorkThread> TWorkThread::Create(TWorkThreadEnvironment env)
{
    return TThread::Create<TWorkThread>(std::move(env));
}

TWorkThread::TWorkThread(CreateKey key, TWorkThreadEnvironment env)
    : TThread(key, true), Env_(std::move(env)), Socket(Env_.statusPort, Env_.minConnectInterval)
{
}

TWorkThread::~TWorkThread() = default;

bool TWorkThread::SetActive(bool value)
{
    if (value == Active_)
        return value || !Started() || Finished();
    if (value) {
        // A changed interval or a new last change time is seen at once.
        AppConfig->SetScheduleObserver([this] { Wake(); });
        Resume();
        Active_ = true;
        return true;
    }
    // The waits below serve the main loop, so requests may arrive meanwhile.
    Stopping_ = true;
    AppConfig->SetScheduleObserver({});
    const auto deadline = std::chrono::steady_clock::now() + Env_.stopLimit;
    // Told first, so a picture being fitted for a pass or a download stops
    // between rows instead of running past the limit.
    Terminate();
    Wake();
    bool ended = StopDownloads(deadline);
    ended = WaitFor(MsUntil(deadline)) && ended;
    Active_ = false;
    return ended;
}

bool TWorkThread::StopDownloads(std::chrono::steady_clock::time_point deadline)
{
    // Taken out first: a request served during the waits must not find
    // these half torn down.
    const std::shared_ptr<TFileDownLoadThread> current = std::move(DownloadThread);
    DownloadThread.reset();
    const std::vector<std::weak_ptr<TFileDownLoadThread>> givenUp = std::move(GivenUp_);
    GivenUp_.clear();

    bool ended = true;
    if (current) {
        current->Terminate();
        ended = current->WaitFor(MsUntil(deadline));
    }
    // Given-up downloads free themselves, but their OnDone may have been read
    // just before it was emptied; none may outlive the worker it calls.
    for (const auto& weak : givenUp)
        if (const auto thread = weak.lock())
            ended = thread->WaitFor(MsUntil(deadline)) && ended;
    return ended;
}

void TWorkThread::Wake()
{
    {
        std::lock_guard<std::mutex> guard(WakeMutex_);
        WakeRequested_ = true;
    }
    WakeCv_.notify_one();
}

bool TWorkThread::NextWallPaper()
{
    if (Stopping_ || NextRequested_.exchange(true))
        return false;
    Wake();
    return true;
}

void TWorkThread::Execute()
{
    LoadList();
    if (Env_.showWallPaperAtStart && !AppConfig->OneShotRun())
        ShowCurrentWallPaper();
    while (!Terminated()) {
        // Pictures the user put into a folder that was empty count at once.
        if (NextRequested_ && ListEmpty())
            ReadList();
        {
            std::lock_guard<std::mutex> guard(Lock);
            try {
                Pass();
            } catch (const std::exception& e) {
                ReportPassError(e.what());
            }
        }
        if (!Terminated())
            WaitForNextPass();
    }
    std::lock_guard<std::mutex> guard(Lock);
    if (Socket.Connected())
        Socket.Close();
}

// The folder is read outside the lock (it may be large or slow) and the list
// swapped in under it; downloads that finished meanwhile stay in it.
void TWorkThread::LoadList()
{
    RemoveStaleTemporaries(AppConfig->ConfigDir(), AppConfig->WallPaperDir(), FittedCacheDir());
    ReadList();
}

bool TWorkThread::ListEmpty()
{
    std::lock_guard<std::mutex> guard(Lock);
    return AppConfig->WallPaperList().empty();
}

void TWorkThread::ReadList()
{
    std::vector<std::string> fresh = AppConfig->ReadWallPaperList();
    std::lock_guard<std::mutex> guard(Lock);
    auto& list = AppConfig->WallPaperList();
    for (const std::string& added : list)
        if (IndexOfPath(fresh, added) < 0)
            fresh.push_back(added);
    list.swap(fresh);
}

// Where the desktop forgot the wallpaper when it restarted (the session
// starts the client again at login), the last pick is shown again.
void TWorkThread::ShowCurrentWallPaper()
{
    std::lock_guard<std::mutex> guard(Lock);
    const std::string path = AppConfig->WallPaper();
    if (path.empty() || !platform::FileExists(path))
        return;
    try {
        ShowPicture(path, [this] { return Terminated(); });
    } catch (const std::exception& e) {
        ReportPassError(e.what());
    }
}

void TWorkThread::Pass()
{
    if (NextRequested_) {
        NextStep();
    } else if (AppConfig->ChangeTime() != 0) {
        const std::int64_t now = Env_.now();
        if (SaturatingSub(now, AppConfig->LastChangeTime()) >= static_cast<std::int64_t>(AppConfig->ChangeTime()) * 60)
            Rotate();
    }

    const std::int64_t next = NextChangeTime();
    const bool requested = StatusRequested_.exchange(false);
    if (next != SentNextChangeTime) {
        // Stored before the attempt: a failed send is not repeated by this rule.
        SentNextChangeTime = next;
        SendStatusLocked();
    } else if (requested || (!Socket.Connected() && !AppConfig->OneShotRun())) {
        SendStatusLocked();
    }

    if (AppConfig->OneShotRun()) {
        Terminate();
        if (Env_.closeMainWindow)
            Env_.closeMainWindow();
    }
}

void TWorkThread::NextStep()
{
    // Cleared however the step ends, or no press would ever count again.
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done {NextRequested_};
    // A folder with no picture left leaves the schedule as it was.
    auto& list = AppConfig->WallPaperList();
    std::erase_if(list, [](const std::string& path) { return !platform::FileExists(path); });
    if (!list.empty())
        Rotate();
    if (list.empty() && Env_.nothingToShow)
        Env_.nothingToShow();
}

// An unwritable Config.ini is reported, but the wallpaper still changes: the
// field holds the new value whether or not the file took it.
template <typename Setter>
void TWorkThread::Record(Setter&& set)
{
    try {
        set();
    } catch (const std::exception& e) {
        ReportPassError(e.what());
    }
}

void TWorkThread::Rotate()
{
    // The schedule restarts now; missed periods are not caught up.
    Record([&] { AppConfig->SetLastChangeTime(Env_.now()); });
    auto& list = AppConfig->WallPaperList();
    while (!list.empty()) {
        const std::ptrdiff_t current = IndexOfPath(list, AppConfig->WallPaper());
        const std::size_t candidate =
            static_cast<std::size_t>(current + 1) < list.size() ? static_cast<std::size_t>(current + 1) : 0;
        const std::string path = list[candidate];
        // Missing files and pictures that cannot be read leave the in-memory
        // list (not the disk) and the next entry is tried.
        const Shown shown = platform::FileExists(path) ? ShowPicture(path, [this] { return Terminated(); })
                                                       : Shown::Unreadable;
        if (shown != Shown::Unreadable)
            return;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(candidate));
    }
}

// Fits the picture to the screen, records it as the wallpaper and hands it to
// the desktop. A picture that cannot be read is reported and not shown. When
// only its fitted copy cannot be written (a full disk, an unwritable folder)
// the picture is still good: it is shown stretched and stays in the list.
TWorkThread::Shown TWorkThread::ShowPicture(const std::string& path, const std::function<bool()>& stop)
{
    FitResult fit;
    try {
        fit = FitToScreenWidth(path, Env_.screen().width, FittedCacheDir(), stop);
        PickTrace("fit");
        if (fit.fitted)
            WriteErrorReported_ = false;
    } catch (const EPictureCancelled&) {
        return Shown::Stopped;
    } catch (const EPictureWriteError& e) {
        // Once until a fitted copy can be written again, not once per picture.
        if (!WriteErrorReported_)
            ReportPassError(e.what());
        WriteErrorReported_ = true;
        fit = {false, path};
    } catch (const EPictureError& e) {
        ReportPassError(e.what());
        return Shown::Unreadable;
    }
    Record([&] { AppConfig->SetWallPaper(path); });
    // The desktop's answer is not used: a refused wallpaper stays recorded
    // and the schedule moves on.
    Env_.applyWallPaper(fit.file, fit.fitted ? kStyleCenter : kStyleStretch);
    PickTrace("setter");
    return Shown::Yes;
}

std::int64_t TWorkThread::NextChangeTime() const
{
    return SaturatingAdd(AppConfig->LastChangeTime(), static_cast<std::int64_t>(AppConfig->ChangeTime()) * 60);
}

void TWorkThread::SendStatus()
{
    std::unique_lock<std::mutex> guard(Lock, std::try_to_lock);
    if (guard.owns_lock()) {
        SendStatusLocked();
        return;
    }
    StatusRequested_ = true;
    Wake();
}

void TWorkThread::SendStatusLocked()
{
    Socket.SendStatus(SentNextChangeTime, AppConfig->AutoUpdate(), AppConfig->AutoRun(), AppConfig->ConfigDir());
}

void TWorkThread::WaitForNextPass()
{
    std::unique_lock<std::mutex> guard(WakeMutex_);
    WakeCv_.wait_for(guard, kMaxIdle, [this] { return WakeRequested_; });
    WakeRequested_ = false;
}

// One line per distinct failure, so a fault that repeats every pass does not
// flood the diagnostic output.
void TWorkThread::ReportPassError(const std::string& what)
{
    if (what == LastReportedError_)
        return;
    LastReportedError_ = what;
    Env_.debugOutput("Wallpaper pass failed: " + what);
}

void TWorkThread::WriteDownFail(std::int32_t code)
{
    char line[40];
    std::snprintf(line, sizeof line, "Down Fail, Reason: %08X", static_cast<unsigned>(code));
    Env_.debugOutput(line);
}

void TWorkThread::RequestDownload(const std::string& request)
{
    PickTrace("bridge");
    if (Stopping_)
        return;
    if (DownloadThread) {
        DownloadThread->SetOnDone({});
        DownloadThread->Terminate();
        GivenUp_.push_back(DownloadThread);
        TThread::HandOverToRun(DownloadThread);
        DownloadThread.reset();
    }
    std::erase_if(GivenUp_, [](const auto& weak) { return weak.expired(); });

    const platform::ScreenSize screen = Env_.screen();
    const std::string url = ChooseImageUrl(request, screen.width, screen.height);
    // The request comes from a web page: nothing reaches the network or the
    // disk unless the URL is http(s) and its name stays inside the folder.
    const auto destination = DownloadDestination(AppConfig->WallPaperDir(), url);
    if (!destination) {
        PickFailed(kBadRequest);
        return;
    }
    // The folder may not exist yet (worker not started) or may have been
    // removed while the client runs.
    platform::ForceDirectories(AppConfig->WallPaperDir());
    PickTrace("choice");
    DownloadThread = TFileDownLoadThread::Create(
        url, *destination, {}, [this](TFileDownLoadThread& t) { DownloadDone(t); },
        [this](TFileDownLoadThread& t, std::int32_t code) { DownloadFailed(t, code); }, false);
    DownloadThread->SetContentCheck(IsUsablePicture);
    DownloadThread->SetStallWindow(Env_.stallWindow);
    DownloadThread->Resume();
}

void TWorkThread::DownloadDone(TFileDownLoadThread& thread)
{
    // Told after the lock is released: whoever shows it may take its time.
    std::int32_t failure = platform::download::kOk;
    {
        std::lock_guard<std::mutex> guard(Lock);
        const std::string path = thread.DestFile;
        try {
            // The download checked its content before it took this place;
            // something that replaced it since is not ours to record.
            if (!IsImageFile(path)) {
                failure = platform::download::kBadContent;
            } else {
                auto& list = AppConfig->WallPaperList();
                if (IndexOfPath(list, path) < 0)
                    list.push_back(path);
                const Shown shown = ShowPicture(path, [&] { return thread.Terminated() || Terminated(); });
                if (shown == Shown::Unreadable) {
                    std::erase_if(list, [&](const std::string& s) { return SamePath(s, path); });
                    failure = platform::download::kBadContent;
                } else if (shown == Shown::Yes) {
                    Record([&] { AppConfig->SetLastChangeTime(Env_.now()); });
                }
            }
        } catch (const std::exception& e) {
            ReportPassError(e.what());
            failure = kUnexpected;
        }
    }
    if (failure != platform::download::kOk && !thread.Terminated())
        PickFailed(failure);
    else if (failure != platform::download::kOk)
        WriteDownFail(failure);
    Wake();
}

void TWorkThread::DownloadFailed(TFileDownLoadThread& thread, std::int32_t code)
{
    // The transfer removed its own temporary file; an older file of the same
    // name is left alone. A download given up (a newer pick, the client
    // closing) is logged but not told: nobody waits for it.
    if (thread.Terminated())
        WriteDownFail(code);
    else
        PickFailed(code);
}

void TWorkThread::PickFailed(std::int32_t code)
{
    WriteDownFail(code);
    const auto failure = ClassifyPickFailure(code);
    if (!failure)
        return;
    Env_.debugOutput("Pick failed: " + DescribePickFailure(*failure));
    if (Env_.pickFailed)
        Env_.pickFailed(*failure);
}

} // namespace engine
