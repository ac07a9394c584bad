// Hand-offs arrive through GLib's default main context: GTK's main loop runs
// them, and the main thread's waits iterate the same context.
#include "platform/Dispatcher.h"

#include <glib.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/DispatcherQueue.h"
#include "platform/MainThread.h"

namespace platform {
namespace {

struct SourceDeleter {
    void operator()(GSource* s) const noexcept
    {
        g_source_destroy(s);
        g_source_unref(s);
    }
};
using SourcePtr = std::unique_ptr<GSource, SourceDeleter>;

gboolean RunQueued(gpointer)
{
    RunPendingMainThreadCalls();
    return G_SOURCE_REMOVE;
}

gboolean KeepTicking(gpointer)
{
    return G_SOURCE_CONTINUE;
}

// Re-tests a wait's condition even when nobody wakes the context.
constexpr guint kRecheckMs = 10;

} // namespace

void StartDispatcher()
{
    // The default main context exists on demand; nothing to set up.
}

void detail::SignalMainThread()
{
    // A plain idle source: g_main_context_invoke would run the call on this
    // thread whenever it could acquire the context.
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, &RunQueued, nullptr, nullptr);
    g_source_attach(idle, g_main_context_default());
    g_source_unref(idle);
}

void WakeMainThread()
{
    g_main_context_wakeup(g_main_context_default());
}

bool MainThreadWait(const std::function<bool()>& done, std::uint32_t timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool forever = timeoutMs == kWaitInfinite;
    if (!IsMainThread()) {
        while (!done()) {
            if (!forever && Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    GMainContext* context = g_main_context_default();
    SourcePtr tick(g_timeout_source_new(kRecheckMs));
    g_source_set_callback(tick.get(), &KeepTicking, nullptr, nullptr);
    g_source_attach(tick.get(), context);
    for (;;) {
        RunPendingMainThreadCalls();
        if (done())
            return true;
        if (!forever && Clock::now() >= deadline)
            return false;
        g_main_context_iteration(context, TRUE);
    }
}

} // namespace platform
