// The Windows edition's entry: process-wide services up in a fixed order, one
// interactive client per logon session, the two windows and the message loop,
// then everything down in the reverse order. The exit code is 0 on every path.
#include <windows.h>
#include <ole2.h>

#include <gdiplus.h>

#include <exception>
#include <memory>
#include <optional>

#include "app/win32/UnitMain.h"
#include "config/uAppConfig.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "ui/win32/UnitCfg.h"

namespace {

class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession()
    {
        if (ok_)
            ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool ok_;
};

class GdiplusSession {
public:
    GdiplusSession()
    {
        const Gdiplus::GdiplusStartupInput input; // version 1, background thread, codecs
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession()
    {
        if (ok_)
            Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// A first client that holds the name may not have made its window yet.
constexpr DWORD kFindWindowForMs = 5000;
constexpr DWORD kFindWindowEveryMs = 100;
// A hung first client must not hang this start too.
constexpr UINT kHandOverTimeoutMs = 5000;
// A closing client's last pass ends within seconds, or the client ends itself.
constexpr DWORD kClosingWaitMs = 30000;

HWND FindRunningClient()
{
    const DWORD start = ::GetTickCount();
    HWND running = ::FindWindowW(app::kMainFormClass, nullptr);
    while (!running && ::GetTickCount() - start < kFindWindowForMs) {
        ::Sleep(kFindWindowEveryMs);
        running = ::FindWindowW(app::kMainFormClass, nullptr);
    }
    return running;
}

enum class HandOver { Done, Refused };

HandOver AskToShow(HWND running, DWORD process)
{
    // This start holds the foreground the user gave it; the running
    // client may bring itself forward only with its leave.
    ::AllowSetForegroundWindow(process);
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(running, app::WM_SHOWCLIENT, 0, 0, SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &answer))
        return HandOver::Done; // hung: it keeps the name, and this start ends as before
    return LRESULT(answer) == app::kShowClientRefused ? HandOver::Refused : HandOver::Done;
}

// Shows the running client instead of starting a second one. A client that
// is closing refuses: this start waits for it to end and then runs itself.
// The handle stays open for the life of the process: only the name's
// existence counts.
bool HandedOver(platform::win::Handle& mutex)
{
    const DWORD start = ::GetTickCount();
    while (true) {
        mutex.reset(::CreateMutexW(nullptr, FALSE, app::kInstanceMutex));
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return false; // also when the call failed: run without the name
        const HWND running = FindRunningClient();
        if (running) {
            DWORD id = 0;
            ::GetWindowThreadProcessId(running, &id);
            if (AskToShow(running, id) == HandOver::Done)
                return true;
            const platform::win::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
            if (process)
                ::WaitForSingleObject(process.get(), kClosingWaitMs);
            else
                ::Sleep(kFindWindowEveryMs);
        }
        if (::GetTickCount() - start >= kClosingWaitMs)
            return true;
        // Without its own handle this start sees whether the name outlived its holder.
        mutex.reset();
    }
}

void RunApplication()
{
    platform::StartDispatcher();
    // Destroyed last-created first: the dialog, then the main window, whose
    // destruction stops the worker.
    app::TBrisvaneMainForm mainForm(app::TMainFormOptions::FromAppConfig());
    ui::TFormCfg formCfg(mainForm.Handle(), [&mainForm] {
        if (mainForm.FWorkThread)
            mainForm.FWorkThread->SendStatus();
    });
    mainForm.FormCfg = &formCfg;
    if (mainForm.ShowMainWindowAtStart())
        mainForm.Show();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The browser control sees its keys first (and the view drops Ctrl+N).
        if (mainForm.EmbeddedWB1 && mainForm.EmbeddedWB1->TranslateAccelerator(msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    mainForm.FormCfg = nullptr;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    platform::MarkMainThread();
    // JPEG needs no registration: the fitter decodes it itself.
    try {
        AppConfig = std::make_unique<TAppConfig>();
        AppConfig->Load();
        {
            const OleSession ole;
            const GdiplusSession gdiplus;
            platform::win::Handle mutex;
            if (AppConfig->OneShotRun() || !HandedOver(mutex))
                RunApplication();
        }
    } catch (const std::exception& e) {
        // Only a broken build or an unwritable profile gets here.
        ::MessageBoxW(nullptr, platform::win::Wide(e.what()).c_str(), L"Pictavo", MB_OK | MB_ICONERROR);
    }
    AppConfig.reset();
    return 0;
}
