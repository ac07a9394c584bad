#pragma once
// The client's one long-lived background thread: rotates the wallpaper through
// the wallpaper folder, keeps the companion service informed of the next
// change time, and carries out the portal's download requests.
//
// The worker lock (Lock) is held for each whole pass and for the whole of
// DownloadDone; it serialises every change of WallPaper, WallPaperList and
// LastChangeTime and every wallpaper application. It is never nested.
//
// Owner's contract: Create, SetActive(true); at the end SetActive(false)
// before dropping the handle.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/FileDownLoadThread.h"
#include "engine/PickFailure.h"
#include "engine/StatusLink.h"
#include "engine/Thread.h"
#include "platform/Screen.h"

namespace engine {

// What the worker asks of the world; tests replace pieces of it.
struct TWorkThreadEnvironment {
    std::uint16_t statusPort;
    std::chrono::milliseconds minConnectInterval;
    std::function<std::int64_t()> now;                   // LocalUnixTime
    std::function<platform::ScreenSize()> screen;        // read at the moment of use
    std::function<bool(const std::string&, std::uint8_t)> applyWallPaper;
    std::function<void()> closeMainWindow;               // ends a one-shot run
    std::chrono::milliseconds stopLimit;                 // SetActive(false) waits no longer
    std::function<void(const std::string&)> debugOutput; // the diagnostic line
    bool showWallPaperAtStart = false;                   // the desktop forgets it when it restarts
    // A pick the user is still waiting for failed: called once per pick, on
    // the download thread (or the main thread for a refused request), never
    // under the worker lock. May be empty.
    std::function<void(const PickFailure&)> pickFailed;
    // A download that brings almost nothing for this long has timed out.
    std::chrono::milliseconds stallWindow {platform::download::kStallWindowMs};
    // A step asked for by NextWallPaper found no picture to show; called on
    // the worker, so the owner hands it to its own thread.
    std::function<void()> nothingToShow;

    static TWorkThreadEnvironment Default();
};

class TWorkThread final : public TThread {
public:
    // Created suspended, with its lock and its (unconnected) status link.
    static std::shared_ptr<TWorkThread> Create(TWorkThreadEnvironment env = TWorkThreadEnvironment::Default());
    TWorkThread(CreateKey key, TWorkThreadEnvironment env);
    ~TWorkThread() override;

    // true: start the worker. false: refuse new requests, stop the downloads
    // and the worker, waiting at most stopLimit (5000 ms) for them all. Answers
    // whether everything ended; when not, something still runs that uses this
    // object and AppConfig, and the owner must end the process instead of
    // freeing them.
    bool SetActive(bool value);
    bool Active() const { return Active_; }

    // Main thread, from the portal page: fetch the variant of the picture
    // that fits the screen and make it the wallpaper.
    void RequestDownload(const std::string& request);

    // Settings dialog: report the current settings. Sends at once when the
    // worker lock is free; otherwise a pass or a download holds it (for as
    // long as a desktop call takes), and the worker sends after it instead
    // of keeping the caller waiting.
    void SendStatus();

    // Makes the worker run a pass now (something a pass looks at changed).
    void Wake();

    // Main thread, from the tray: one rotation step now, by the rules of a
    // step that fell due. False when a step asked for earlier has not ended
    // yet, or the worker is stopping: presses are not queued up.
    bool NextWallPaper();

    // Completion handlers of a portal download, on the download thread.
    void DownloadDone(TFileDownLoadThread& thread);
    void DownloadFailed(TFileDownLoadThread& thread, std::int32_t code);

protected:
    void Execute() override;

private:
    enum class Shown { Yes, Unreadable, Stopped };

    void LoadList();
    void ReadList();
    bool ListEmpty();
    void Pass();
    void NextStep();
    void Rotate();
    void ShowCurrentWallPaper();
    Shown ShowPicture(const std::string& path, const std::function<bool()>& stop);
    template <typename Setter>
    void Record(Setter&& set);
    void SendStatusLocked();
    std::int64_t NextChangeTime() const;
    void WaitForNextPass();
    void ReportPassError(const std::string& what);
    void WriteDownFail(std::int32_t code);
    void PickFailed(std::int32_t code);
    bool StopDownloads(std::chrono::steady_clock::time_point deadline);

    TWorkThreadEnvironment Env_;
    bool Active_ = false;                  // main thread only
    std::mutex Lock;
    TStatusLink Socket;                    // used under Lock only
    std::int64_t SentNextChangeTime = 0;   // under Lock
    std::string LastReportedError_;        // under Lock
    std::atomic<bool> StatusRequested_ {false};
    std::atomic<bool> NextRequested_ {false}; // set by a press, cleared when its step ended
    bool WriteErrorReported_ = false;      // under Lock

    // Main thread only.
    bool Stopping_ = false;                // no new downloads once stopping
    std::shared_ptr<TFileDownLoadThread> DownloadThread;
    std::vector<std::weak_ptr<TFileDownLoadThread>> GivenUp_;

    std::mutex WakeMutex_;
    std::condition_variable WakeCv_;
    bool WakeRequested_ = false;
};

} // namespace engine
