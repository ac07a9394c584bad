#pragma once
// TThread: a thread object with a terminate flag, suspended creation and
// "free on terminate", on std::thread.
//
// Ownership contract
// - A thread object lives in a std::shared_ptr made by TThread::Create. The
//   owner holds that handle. While the run is going, the running thread holds
//   a second reference, so an object is never destroyed under its own run.
//   That reference goes just after the run is marked finished (WaitFor has
//   returned), so the last release may happen on either thread.
// - HandOverToRun (the owner's "free on terminate") is decided once, against
//   the end of the run: if the run is still going, the running thread becomes
//   the sole owner, the caller's handle is emptied and the object frees itself
//   when the run ends; the caller can no longer touch it. If the run has already
//   ended (or never began), nothing is handed over and the caller keeps the
//   handle and releases it itself. An owner giving a thread up calls
//   Terminate first and hands over last: after a hand-over it holds nothing.
// - Dropping the handle of a running thread without a hand-over leaves the run
//   to finish on its own; the object is freed when it ends. A std::thread cannot
//   be killed, so this is also what an owner does after WaitFor(timeout) gave up
//   ("kill"): call Terminate, drop the handle, and let the run end whenever it
//   can. The object and everything it owns stay valid until then.
// - A thread created suspended and never resumed never runs; dropping its
//   handle frees it without a run.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace engine {

class TThread : public std::enable_shared_from_this<TThread> {
protected:
    // Only TThread::Create makes keys, so every thread object is created
    // through it and starts (or stays suspended) once fully constructed.
    class CreateKey {
        friend class TThread;
        CreateKey() = default;
    };

public:
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

    TThread(CreateKey, bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    template <typename T, typename... Args>
    static std::shared_ptr<T> Create(Args&&... args)
    {
        auto thread = std::make_shared<T>(CreateKey {}, std::forward<Args>(args)...);
        if (!thread->createSuspended_)
            thread->Resume();
        return thread;
    }

    // Starts a thread created suspended; does nothing once it has started.
    void Resume();
    void Start() { Resume(); }

    // Sets the terminate flag and wakes SleepUnlessTerminated. Execute decides
    // when to look at the flag; a thread not yet started skips Execute.
    void Terminate();
    bool Terminated() const noexcept { return terminated_.load(); }

    // See the ownership contract above. True when the run took ownership.
    template <typename T>
    static bool HandOverToRun(std::shared_ptr<T>& handle)
    {
        if (!handle || !handle->TakeOverByRun())
            return false;
        handle.reset();
        return true;
    }
    bool FreeOnTerminate() const;

    // Waits for the run to end. On the main thread the wait keeps running
    // calls handed to the main thread, so a thread that hands work over while
    // its owner waits for it cannot deadlock. A thread never started does not
    // end until someone resumes it.
    void WaitFor() { WaitFor(kInfinite); }
    // True when the run has ended within timeoutMs.
    bool WaitFor(std::uint32_t timeoutMs);

    bool Started() const;
    bool Finished() const;
    // The exception that escaped Execute, if any. Nothing else reports it.
    std::exception_ptr FatalException() const;

protected:
    virtual void Execute() = 0;
    // Sleeps up to ms milliseconds; returns early, true, once Terminate is called.
    bool SleepUnlessTerminated(std::uint32_t ms);

private:
    static void Run(std::shared_ptr<TThread> self);
    bool TakeOverByRun();

    const bool createSuspended_;
    std::atomic<bool> terminated_ {false};
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::thread thread_;
    bool started_ = false;
    bool finished_ = false;
    bool freeOnTerminate_ = false;
    std::exception_ptr fatal_;
};

} // namespace engine
