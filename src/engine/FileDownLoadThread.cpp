#include "engine/FileDownLoadThread.h"

#include <utility>

#include "engine/PickTrace.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"

namespace engine {
namespace {

// The folder part of path with its separator, or "." + separator.
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of(platform::PathDelim == '\\' ? "\\/" : "/");
    if (slash == std::string::npos)
        return std::string(".") + platform::PathDelim;
    return path.substr(0, slash + 1);
}

// Removes the temporary file unless it has been renamed into place.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile()
    {
        if (!path_.empty())
            platform::RemoveFile(path_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    bool MoveTo(const std::string& dest)
    {
        if (!platform::RenameOver(path_, dest))
            return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

} // namespace

std::shared_ptr<TFileDownLoadThread> TFileDownLoadThread::Create(std::string url, std::string destFile,
                                                                 TDownloadProgressEvent onDownloadProgress,
                                                                 TNotifyEvent onDone, TDownloadFailEvent onFail,
                                                                 bool createSuspended)
{
    return TThread::Create<TFileDownLoadThread>(std::move(url), std::move(destFile),
                                                std::move(onDownloadProgress), std::move(onDone),
                                                std::move(onFail), createSuspended);
}

TFileDownLoadThread::TFileDownLoadThread(CreateKey key, std::string url, std::string destFile,
                                         TDownloadProgressEvent onDownloadProgress, TNotifyEvent onDone,
                                         TDownloadFailEvent onFail, bool createSuspended)
    : TThread(key, createSuspended || !onDownloadProgress || !onDone || !onFail),
      Url(std::move(url)),
      DestFile(std::move(destFile)),
      onDownloadProgress_(std::move(onDownloadProgress)),
      onDone_(std::move(onDone)),
      onFail_(std::move(onFail))
{
}

void TFileDownLoadThread::SetOnDownloadProgress(TDownloadProgressEvent e)
{
    std::lock_guard guard(eventLock_);
    onDownloadProgress_ = std::move(e);
}

void TFileDownLoadThread::SetOnDone(TNotifyEvent e)
{
    std::lock_guard guard(eventLock_);
    onDone_ = std::move(e);
}

void TFileDownLoadThread::SetOnFail(TDownloadFailEvent e)
{
    std::lock_guard guard(eventLock_);
    onFail_ = std::move(e);
}

void TFileDownLoadThread::Execute()
{
    const std::int32_t result = FetchIntoDestFile();
    if (result == platform::download::kOk) {
        TNotifyEvent done;
        {
            std::lock_guard guard(eventLock_);
            done = onDone_;
        }
        if (done)
            done(*this);
    } else {
        TDownloadFailEvent fail;
        {
            std::lock_guard guard(eventLock_);
            fail = onFail_;
        }
        if (fail)
            fail(*this, result);
    }
}

std::int32_t TFileDownLoadThread::FetchIntoDestFile()
{
    if (DestFile.empty())
        return platform::download::kInvalidArgument;
    TempFile temp(platform::CreateUniqueFile(FolderOf(DestFile), platform::download::kTempPrefix));
    if (temp.path().empty())
        return platform::download::kCannotCreateFile;
    windowStart_ = std::chrono::steady_clock::now();
    const std::int32_t result = platform::DownloadUrlToFile(
        Url, temp.path(), [this](std::uint32_t p, std::uint32_t max) { return DoProgress(p, max); }, maxBytes_);
    if (stalled_)
        return platform::download::kStalled;
    if (result != platform::download::kOk)
        return result;
    PickTrace("download");
    // Checked before the move, so a file of the same name is never replaced
    // by an error page or anything else the caller cannot use.
    if (contentCheck_ && !contentCheck_(temp.path()))
        return platform::download::kBadContent;
    PickTrace("check");
    // A download given up after its last notification still must not take
    // the place of the file its successor may be writing.
    if (Terminated())
        return platform::download::kAborted;
    return temp.MoveTo(DestFile) ? platform::download::kOk : platform::download::kCannotCreateFile;
}

platform::ProgressAnswer TFileDownLoadThread::DoProgress(std::uint32_t progress, std::uint32_t progressMax)
{
    progress_.store(progress);
    progressMax_.store(progressMax);
    bool watched = false;
    {
        std::lock_guard guard(eventLock_);
        watched = static_cast<bool>(onDownloadProgress_);
    }
    // The interface thread may be busy for long (a modal dialog, a long
    // pass): only a watcher is worth waiting for, and the wait is not the
    // server's silence.
    if (watched) {
        const auto handedOver = std::chrono::steady_clock::now();
        platform::RunOnMainThread([this] { SyncProgress(); });
        windowStart_ += std::chrono::steady_clock::now() - handedOver;
    }
    if (Terminated())
        abortRequested_ = true;
    // A server that sends headers and then nothing, or a byte now and then,
    // would otherwise hold the transfer until the user picks again.
    const auto now = std::chrono::steady_clock::now();
    if (progress - windowBytes_ >= platform::download::kStallBytes || progress < windowBytes_) {
        windowStart_ = now;
        windowBytes_ = progress;
    } else if (now - windowStart_ >= stallWindow_) {
        stalled_ = true;
        abortRequested_ = true;
    }
    return abortRequested_ ? platform::ProgressAnswer::Abort : platform::ProgressAnswer::Continue;
}

void TFileDownLoadThread::SyncProgress()
{
    TDownloadProgressEvent progress;
    {
        std::lock_guard guard(eventLock_);
        progress = onDownloadProgress_;
    }
    if (progress)
        progress(*this, Progress(), ProgressMax());
}

} // namespace engine
