// The queue of handed-over calls, the same on every system. Callers wait on
// their own stack entry, so nothing is shared beyond this mutex.
#include "platform/Dispatcher.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/DispatcherQueue.h"
#include "platform/MainThread.h"

namespace platform {
namespace {

struct PendingCall {
    const std::function<void()>* fn = nullptr;
    bool done = false;
    std::exception_ptr error;
};

struct CallQueue {
    std::mutex lock;
    std::condition_variable ran;
    std::deque<PendingCall*> calls;
};

CallQueue& Queue()
{
    static CallQueue queue;
    return queue;
}

} // namespace

void RunOnMainThread(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    CallQueue& q = Queue();
    PendingCall call;
    call.fn = &fn;
    {
        std::lock_guard guard(q.lock);
        q.calls.push_back(&call);
    }
    detail::SignalMainThread();
    {
        std::unique_lock guard(q.lock);
        q.ran.wait(guard, [&call] { return call.done; });
    }
    if (call.error)
        std::rethrow_exception(call.error);
}

int RunPendingMainThreadCalls()
{
    if (!IsMainThread())
        return 0;
    CallQueue& q = Queue();
    int count = 0;
    for (;;) {
        PendingCall* call = nullptr;
        {
            std::lock_guard guard(q.lock);
            if (q.calls.empty())
                return count;
            call = q.calls.front();
            q.calls.pop_front();
        }
        std::exception_ptr error;
        try {
            (*call->fn)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard guard(q.lock);
            call->error = error;
            call->done = true; // the caller may leave from here on
        }
        q.ran.notify_all();
        ++count;
    }
}

bool detail::PollUntilDone(const std::function<bool()>& done, std::uint32_t timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (timeoutMs != kWaitInfinite && Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace platform
