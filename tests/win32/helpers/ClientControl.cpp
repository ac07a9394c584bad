// Drives a running client from outside, as the companion service or a person
// would, for the whole-program tests:
//   ClientControl close MS   find the client's main window within MS, post it
//                            WM_CLOSE and wait MS for its process to end
//   ClientControl ended MS   wait MS until no Pictavo.exe process is left
//   ClientControl closing MS play a client that is closing for MS: hold the
//                            client's name and window, refuse to be shown,
//                            then end (status 0 when a start asked meanwhile)
// Exit status 0 when that happened; a message on stderr otherwise.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "app/win32/UnitMain.h"
#include "platform/win32/Handles.h"

namespace {

using platform::win::FileHandle;
using platform::win::Handle;

constexpr DWORD kPollMs = 50;

bool ClientRunning()
{
    const FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::_wcsicmp(entry.szExeFile, L"Pictavo.exe") == 0)
            return true;
    }
    return false;
}

int Close(DWORD timeoutMs)
{
    HWND window = nullptr;
    for (DWORD waited = 0; !(window = ::FindWindowW(L"TBrisvaneMainForm", nullptr)) && waited < timeoutMs;
         waited += kPollMs)
        ::Sleep(kPollMs);
    if (!window) {
        std::fputs("no client main window\n", stderr);
        return 3;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    const Handle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process || !::PostMessageW(window, WM_CLOSE, 0, 0)) {
        std::fputs("cannot reach the client\n", stderr);
        return 4;
    }
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        std::fputs("the client did not end after WM_CLOSE\n", stderr);
        return 5;
    }
    return 0;
}

int Ended(DWORD timeoutMs)
{
    for (DWORD waited = 0; ClientRunning(); waited += kPollMs) {
        if (waited >= timeoutMs) {
            std::fputs("the client is still running\n", stderr);
            return 6;
        }
        ::Sleep(kPollMs);
    }
    return 0;
}

int askedWhileClosing = 0;

LRESULT CALLBACK ClosingClient(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == app::WM_SHOWCLIENT) {
        ++askedWhileClosing;
        return app::kShowClientRefused;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int Closing(DWORD forMs)
{
    const Handle name(::CreateMutexW(nullptr, FALSE, app::kInstanceMutex));
    WNDCLASSW cls {};
    cls.lpfnWndProc = ClosingClient;
    cls.hInstance = ::GetModuleHandleW(nullptr);
    cls.lpszClassName = app::kMainFormClass;
    if (!name || !::RegisterClassW(&cls))
        return 3;
    const HWND window = ::CreateWindowExW(0, app::kMainFormClass, L"Pictavo", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          cls.hInstance, nullptr);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < forMs) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    ::DestroyWindow(window);
    return askedWhileClosing > 0 ? 0 : 7;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const auto timeoutMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    if (std::strcmp(argv[1], "close") == 0)
        return Close(timeoutMs);
    if (std::strcmp(argv[1], "ended") == 0)
        return Ended(timeoutMs);
    if (std::strcmp(argv[1], "closing") == 0)
        return Closing(timeoutMs);
    return 2;
}
