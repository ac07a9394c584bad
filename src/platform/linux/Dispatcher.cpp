// Hand-offs arrive through GLib's default main context: GTK's main loop runs
// them, and the main thread's waits iterate the same context. Other threads
// never call GLib: they only write to an eventfd that a source of the main
// context watches (this also keeps ThreadSanitizer able to see every
// synchronisation, which GLib's own locks hide from it).
#include "platform/Dispatcher.h"

#include <glib-unix.h>
#include <glib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

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

int WakeFd()
{
    static const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return fd;
}

gboolean OnWake(gint fd, GIOCondition, gpointer)
{
    std::uint64_t count = 0;
    while (::read(fd, &count, sizeof(count)) > 0) {}
    RunPendingMainThreadCalls();
    return G_SOURCE_CONTINUE;
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
    static bool attached = false; // main thread only
    if (!IsMainThread() || attached || WakeFd() < 0)
        return;
    GSource* source = g_unix_fd_source_new(WakeFd(), G_IO_IN);
    g_source_set_callback(source, G_SOURCE_FUNC(&OnWake), nullptr, nullptr);
    g_source_attach(source, g_main_context_default());
    g_source_unref(source); // the context keeps it for the life of the process
    attached = true;
}

void detail::SignalMainThread()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(WakeFd(), &one, sizeof(one));
}

void WakeMainThread()
{
    detail::SignalMainThread();
}

bool MainThreadWait(const std::function<bool()>& done, std::uint32_t timeoutMs)
{
    if (!IsMainThread())
        return detail::PollUntilDone(done, timeoutMs);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool forever = timeoutMs == kWaitInfinite;
    StartDispatcher();
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
