// Hand-offs arrive as messages to a message-only window of the main thread;
// the main thread's waits pump its messages and run the queue directly too.
#include "platform/Dispatcher.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/DispatcherQueue.h"
#include "platform/MainThread.h"
#include "platform/win32/Handles.h"

namespace platform {
namespace {

constexpr UINT kRunQueuedMessage = WM_APP + 0x31;
constexpr wchar_t kWindowClass[] = L"PictavoDispatcher";
// Re-tests a wait's condition even when nobody signals.
constexpr DWORD kRecheckMs = 10;

std::atomic<HWND> g_window {nullptr};

LRESULT CALLBACK DispatcherProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kRunQueuedMessage) {
        RunPendingMainThreadCalls();
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Signalled whenever a waiting main thread should look again.
HANDLE WakeEvent()
{
    static const win::Handle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return event.get();
}

} // namespace

void StartDispatcher()
{
    if (!IsMainThread() || g_window.load())
        return;
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DispatcherProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    ::RegisterClassExW(&wc); // fails harmlessly when already registered
    g_window.store(::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, wc.hInstance, nullptr));
}

void detail::SignalMainThread()
{
    if (const HWND window = g_window.load())
        ::PostMessageW(window, kRunQueuedMessage, 0, 0);
    ::SetEvent(WakeEvent());
}

void WakeMainThread()
{
    ::SetEvent(WakeEvent());
}

bool MainThreadWait(const std::function<bool()>& done, std::uint32_t timeoutMs)
{
    if (!IsMainThread())
        return detail::PollUntilDone(done, timeoutMs);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool forever = timeoutMs == kWaitInfinite;
    StartDispatcher();
    const HANDLE wake = WakeEvent();
    bool quit = false;
    WPARAM quitCode = 0;
    bool result = false;
    for (;;) {
        RunPendingMainThreadCalls();
        if (done()) {
            result = true;
            break;
        }
        if (!forever && Clock::now() >= deadline)
            break;
        if (quit) {
            ::WaitForSingleObject(wake, kRecheckMs);
            continue;
        }
        ::MsgWaitForMultipleObjectsEx(1, &wake, kRecheckMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true; // belongs to the outer message loop
                quitCode = msg.wParam;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

} // namespace platform
