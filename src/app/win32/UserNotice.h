#pragma once
// Tells the user what happened away from the window (a pick that failed, a
// tray command with nothing to do): a balloon from the tray icon, or a
// message box while there is no tray icon. The Linux edition sends a desktop
// notification.
#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "engine/PickFailure.h"

namespace app {

class TUserNotice {
public:
    using NotifyIconFn = std::function<bool(DWORD, NOTIFYICONDATAW*)>;
    // The owner's window procedure hands this message to ShowQueued.
    static constexpr UINT kNoticeMessage = WM_APP + 20;

    // owner and trayId name the tray icon; trayShown answers whether the
    // shell holds it now.
    TUserNotice(HWND owner, UINT trayId, NotifyIconFn notifyIcon, std::function<bool()> trayShown,
                LANGID language);

    // Main thread.
    void Show(const std::wstring& title, const std::wstring& body);
    // Any thread: queued, and shown from the owner's message loop.
    void Post(std::wstring title, std::wstring body);
    void ShowPickFailure(const engine::PickFailure& failure);
    // Main thread, on kNoticeMessage.
    void ShowQueued();

private:
    HWND Owner_;
    UINT TrayId_;
    NotifyIconFn NotifyIcon_;
    std::function<bool()> TrayShown_;
    LANGID Language_;
    std::mutex Lock_;
    std::deque<std::pair<std::wstring, std::wstring>> Queue_; // under Lock_
    bool Showing_ = false; // main thread: a message box is up
};

// The words the user reads about a failed pick, in the table of `language`.
std::wstring PickFailureText(const engine::PickFailure& failure, LANGID language);

} // namespace app
