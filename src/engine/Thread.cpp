#include "engine/Thread.h"

#include <chrono>

#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

namespace engine {

TThread::TThread(CreateKey, bool createSuspended) : createSuspended_(createSuspended) {}

TThread::~TThread()
{
    // The run holds a reference until its very end, so here it has ended or
    // never begun. When the run itself dropped the last reference, this runs on
    // that thread, which cannot join itself.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void TThread::Resume()
{
    std::lock_guard guard(lock_);
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread(&TThread::Run, shared_from_this());
}

void TThread::Run(std::shared_ptr<TThread> self)
{
    if (!self->Terminated()) {
        try {
            self->Execute();
        } catch (...) {
            std::lock_guard guard(self->lock_);
            self->fatal_ = std::current_exception();
        }
    }
    {
        std::lock_guard guard(self->lock_);
        self->finished_ = true;
    }
    self->changed_.notify_all();
    platform::WakeMainThread();
    // Last touch: with a hand-over this frees the object on this thread.
    self.reset();
}

void TThread::Terminate()
{
    // Under the lock, so a run woken by this cannot end (and free the object)
    // before this call is done with it.
    std::lock_guard guard(lock_);
    terminated_.store(true);
    changed_.notify_all();
}

bool TThread::TakeOverByRun()
{
    std::lock_guard guard(lock_);
    if (!started_ || finished_)
        return false;
    freeOnTerminate_ = true;
    return true;
}

bool TThread::FreeOnTerminate() const
{
    std::lock_guard guard(lock_);
    return freeOnTerminate_;
}

bool TThread::WaitFor(std::uint32_t timeoutMs)
{
    {
        std::lock_guard guard(lock_);
        if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id())
            return finished_; // waiting for oneself would never end
    }
    if (platform::IsMainThread())
        return platform::MainThreadWait([this] { return Finished(); }, timeoutMs);
    std::unique_lock guard(lock_);
    if (timeoutMs == kInfinite) {
        changed_.wait(guard, [this] { return finished_; });
        return true;
    }
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return finished_; });
}

bool TThread::SleepUnlessTerminated(std::uint32_t ms)
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return Terminated(); });
}

bool TThread::Started() const
{
    std::lock_guard guard(lock_);
    return started_;
}

bool TThread::Finished() const
{
    std::lock_guard guard(lock_);
    return finished_;
}

std::exception_ptr TThread::FatalException() const
{
    std::lock_guard guard(lock_);
    return fatal_;
}

} // namespace engine
