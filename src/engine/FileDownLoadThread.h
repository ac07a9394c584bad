#pragma once
// TFileDownLoadThread: one URL fetched into one file on a thread of its own.
// Progress goes to the main thread while a progress event is set; the outcome
// (OnDone or OnFail) is called on the download thread itself.
//
// The body is written to a temporary file beside DestFile (named
// download::kTempPrefix + a unique part) and renamed over DestFile only when the whole
// transfer succeeded, the thread was not asked to terminate and the content
// check, if any, accepted the temporary file. Anything else removes only the
// temporary file, so an existing file of the same name survives, and a
// superseded download never touches its successor's file. A transfer that
// brings less than kStallBytes within the stall window fails with kStalled;
// time spent waiting for the main thread to take progress does not count.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/Thread.h"
#include "platform/HttpDownload.h"

namespace engine {

class TFileDownLoadThread final : public TThread {
public:
    using TDownloadProgressEvent = std::function<void(TFileDownLoadThread& sender, std::uint32_t progress,
                                                      std::uint32_t progressMax)>;
    using TNotifyEvent = std::function<void(TFileDownLoadThread& sender)>;
    using TDownloadFailEvent = std::function<void(TFileDownLoadThread& sender, std::int32_t code)>;

    // Created suspended when asked, or when any of the three events is empty.
    static std::shared_ptr<TFileDownLoadThread> Create(std::string url, std::string destFile,
                                                       TDownloadProgressEvent onDownloadProgress,
                                                       TNotifyEvent onDone, TDownloadFailEvent onFail,
                                                       bool createSuspended);

    TFileDownLoadThread(CreateKey key, std::string url, std::string destFile,
                        TDownloadProgressEvent onDownloadProgress, TNotifyEvent onDone,
                        TDownloadFailEvent onFail, bool createSuspended);

    const std::string Url;
    const std::string DestFile; // the final path, also while the body lands elsewhere

    std::uint32_t Progress() const noexcept { return progress_.load(); }
    std::uint32_t ProgressMax() const noexcept { return progressMax_.load(); }

    // The events may be changed from any thread at any time; the download
    // reads each one once, whole, when it calls it. Giving a download up:
    // SetOnDone({}), Terminate(), then TThread::HandOverToRun(handle).
    void SetOnDownloadProgress(TDownloadProgressEvent e);
    void SetOnDone(TNotifyEvent e);
    void SetOnFail(TDownloadFailEvent e);

    // Largest body accepted (platform::download::kDefaultMaxBytes unless set
    // before the thread starts).
    void SetMaxBytes(std::uint64_t maxBytes) { maxBytes_ = maxBytes; }
    // Set before the thread starts: the downloaded file moves into place only
    // when check(temporary path) answers true; otherwise OnFail gets kBadContent.
    void SetContentCheck(std::function<bool(const std::string&)> check) { contentCheck_ = std::move(check); }
    // Set before the thread starts (tests shorten it).
    void SetStallWindow(std::chrono::milliseconds window) { stallWindow_ = window; }

protected:
    void Execute() override;

private:
    platform::ProgressAnswer DoProgress(std::uint32_t progress, std::uint32_t progressMax);
    void SyncProgress();
    std::int32_t FetchIntoDestFile();

    std::atomic<std::uint32_t> progress_ {0};
    std::atomic<std::uint32_t> progressMax_ {0};
    bool abortRequested_ = false; // download thread only
    std::uint64_t maxBytes_ = platform::download::kDefaultMaxBytes;
    std::function<bool(const std::string&)> contentCheck_;
    std::chrono::milliseconds stallWindow_ {platform::download::kStallWindowMs};
    // Download thread only: the stall watch's window.
    std::chrono::steady_clock::time_point windowStart_ {};
    std::uint32_t windowBytes_ = 0;
    bool stalled_ = false;

    mutable std::mutex eventLock_;
    TDownloadProgressEvent onDownloadProgress_;
    TNotifyEvent onDone_;
    TDownloadFailEvent onFail_;
};

} // namespace engine
