#include "engine/uWorkThread.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "engine/ImageChoice.h"
#include "engine/LocalTime.h"
#include "engine/PictureFit.h"
#include "engine/WallpaperApply.h"
#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "util/TextUtil.h"
#include "util/uCommonFunction.h"

namespace engine {
namespace {

constexpr std::uint8_t kStyleCenter = 0;
constexpr std::uint8_t kStyleStretch = 2;
constexpr std::uint32_t kStopTimeoutMs = 5000;
// Longest sleep between passes: a changed wall clock is noticed within it.
constexpr auto kMaxIdle = std::chrono::seconds(1);

// Result codes of the download failures found here rather than by the transfer.
constexpr std::int32_t kBadRequest = static_cast<std::int32_t>(0x80070057);   // E_INVALIDARG
constexpr std::int32_t kNotAPicture = static_cast<std::int32_t>(0x8007000B);  // ERROR_BAD_FORMAT

void WriteDownFail(std::int32_t code)
{
    char line[40];
    std::snprintf(line, sizeof line, "Down Fail, Reason: %08X", static_cast<unsigned>(code));
    platform::DebugOutput(line);
}

std::ptrdiff_t IndexOfText(const std::vector<std::string>& list, const std::string& s)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        if (text::SameText(list[i], s))
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

std::string FittedCacheDir()
{
    return AppConfig->ConfigDir() + "Fitted";
}

} // namespace

TWorkThreadEnvironment TWorkThreadEnvironment::Default()
{
    return {StatusPort,
            std::chrono::seconds(1),
            [] { return LocalUnixTime(); },
            [] { return platform::PrimaryScreenSize(); },
            [](const std::string& path, std::uint8_t style) { return ApplyWallPaper(path, style); },
            {}};
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

void TWorkThread::SetActive(bool value)
{
    if (value == Active_)
        return;
    if (value) {
        // A changed interval or a new last change time is seen at once.
        AppConfig->SetScheduleObserver([this] { Wake(); });
        Resume();
    } else {
        AppConfig->SetScheduleObserver({});
        StopDownloads();
        Terminate();
        Wake();
        // A worker stuck past the limit is left to end on its own: a
        // std::thread cannot be killed, and the run keeps this object alive.
        WaitFor(kStopTimeoutMs);
    }
    Active_ = value;
}

void TWorkThread::StopDownloads()
{
    if (DownloadThread) {
        DownloadThread->Terminate();
        DownloadThread->WaitFor();
        DownloadThread.reset();
    }
    // Given-up downloads free themselves, but their OnDone may have been read
    // just before it was emptied; none may outlive the worker it calls.
    for (auto& weak : GivenUp_)
        if (auto thread = weak.lock())
            thread->WaitFor();
    GivenUp_.clear();
}

void TWorkThread::Wake()
{
    {
        std::lock_guard<std::mutex> guard(WakeMutex_);
        WakeRequested_ = true;
    }
    WakeCv_.notify_one();
}

void TWorkThread::Execute()
{
    AppConfig->LoadWallPaperList();
    while (!Terminated()) {
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

void TWorkThread::Pass()
{
    if (AppConfig->ChangeTime() != 0) {
        const std::int64_t now = Env_.now();
        if (now - AppConfig->LastChangeTime() >= static_cast<std::int64_t>(AppConfig->ChangeTime()) * 60)
            Rotate();
    }

    const std::int64_t next = NextChangeTime();
    if (next != SentNextChangeTime) {
        // Stored before the attempt: a failed send is not repeated by this rule.
        SentNextChangeTime = next;
        SendStatusLocked();
    } else if (!Socket.Connected() && !AppConfig->OneShotRun()) {
        SendStatusLocked();
    }

    if (AppConfig->OneShotRun()) {
        Terminate();
        if (Env_.closeMainWindow)
            Env_.closeMainWindow();
    }
}

// An unwritable Config.ini is reported, but the wallpaper still changes: the
// field holds the new value whether or not the file took it.
template <typename Setter>
void TWorkThread::Record(Setter&& set)
{
    try {
        set();
    } catch (const EIniFileException& e) {
        ReportPassError(e.what());
    }
}

void TWorkThread::Rotate()
{
    // The schedule restarts now; missed periods are not caught up.
    Record([&] { AppConfig->SetLastChangeTime(Env_.now()); });
    auto& list = AppConfig->WallPaperList();
    while (!list.empty()) {
        const std::ptrdiff_t current = IndexOfText(list, AppConfig->WallPaper());
        const std::size_t candidate =
            static_cast<std::size_t>(current + 1) < list.size() ? static_cast<std::size_t>(current + 1) : 0;
        const std::string path = list[candidate];
        // Missing files and pictures that cannot be shown leave the in-memory
        // list (not the disk) and the next entry is tried.
        if (platform::FileExists(path) && ShowPicture(path))
            return;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(candidate));
    }
}

// Fits the picture to the screen, records it as the wallpaper and hands it to
// the desktop. False, with the reason reported, when the picture cannot be
// read; the wallpaper is then not changed.
bool TWorkThread::ShowPicture(const std::string& path)
{
    FitResult fit;
    try {
        fit = FitToScreenWidth(path, Env_.screen().width, FittedCacheDir());
    } catch (const EPictureError& e) {
        ReportPassError(e.what());
        return false;
    }
    Record([&] { AppConfig->SetWallPaper(path); });
    // The desktop's answer is not used: a refused wallpaper stays recorded
    // and the schedule moves on.
    Env_.applyWallPaper(fit.file, fit.fitted ? kStyleCenter : kStyleStretch);
    return true;
}

std::int64_t TWorkThread::NextChangeTime() const
{
    return AppConfig->LastChangeTime() + static_cast<std::int64_t>(AppConfig->ChangeTime()) * 60;
}

void TWorkThread::SendStatus()
{
    std::lock_guard<std::mutex> guard(Lock);
    SendStatusLocked();
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
    platform::DebugOutput("Wallpaper pass failed: " + what);
}

void TWorkThread::RequestDownload(const std::string& request)
{
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
        WriteDownFail(kBadRequest);
        return;
    }
    // The folder may not exist yet (worker not started) or may have been
    // removed while the client runs.
    platform::ForceDirectories(AppConfig->WallPaperDir());
    DownloadThread = TFileDownLoadThread::Create(
        url, *destination, {}, [this](TFileDownLoadThread& t) { DownloadDone(t); },
        [](TFileDownLoadThread& t, std::int32_t code) { DownloadFailed(t, code); }, false);
    DownloadThread->Resume();
}

void TWorkThread::DownloadDone(TFileDownLoadThread& thread)
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        const std::string path = thread.DestFile;
        try {
            // An error page or anything else that is not a picture never
            // becomes the wallpaper.
            if (!IsImageFile(path)) {
                platform::RemoveFile(path);
                WriteDownFail(kNotAPicture);
                return;
            }
            auto& list = AppConfig->WallPaperList();
            if (IndexOfText(list, path) < 0)
                list.push_back(path);
            if (!ShowPicture(path)) {
                std::erase_if(list, [&](const std::string& s) { return text::SameText(s, path); });
                WriteDownFail(kNotAPicture);
                return;
            }
            Record([&] { AppConfig->SetLastChangeTime(Env_.now()); });
        } catch (const std::exception& e) {
            ReportPassError(e.what());
        }
    }
    Wake();
}

void TWorkThread::DownloadFailed(TFileDownLoadThread&, std::int32_t code)
{
    // The transfer removed its own temporary file; an older file of the same
    // name is left alone.
    WriteDownFail(code);
}

} // namespace engine
