#pragma once
// Hands calls to the application's main thread and lets the main thread wait
// without starving them. Win32: a message-only window and waits that pump the
// thread's messages; Linux: GLib's default main context, which GTK's main loop
// iterates.
#include <cstdint>
#include <functional>

namespace platform {

inline constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;

// Sets up the main thread's receiving end. Call on the main thread before any
// other thread hands work over (the main-thread waits below also do it);
// later calls do nothing.
void StartDispatcher();

// Runs fn on the main thread and returns once it has run; on the main thread
// it runs at once. An exception thrown by fn is rethrown here. Blocks for as
// long as the main thread neither runs its message loop (its main context)
// nor waits through MainThreadWait.
void RunOnMainThread(const std::function<void()>& fn);

// Main thread: runs every handed-over call queued now; returns how many ran.
int RunPendingMainThreadCalls();

// Waits until done() answers true or timeoutMs have passed; true when done()
// did. On the main thread it keeps running handed-over calls meanwhile, and
// with them the rest of the main loop (Win32: the thread's messages; Linux:
// the default main context's sources), so callers must expect re-entry; it
// tests done() again after each event, after WakeMainThread and at least
// every 10 ms. A WM_QUIT met while waiting is posted again for the outer
// loop. Elsewhere it simply polls done().
bool MainThreadWait(const std::function<bool()>& done, std::uint32_t timeoutMs);

// Makes a MainThreadWait test its condition now.
void WakeMainThread();

} // namespace platform
