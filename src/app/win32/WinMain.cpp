// The Windows edition's entry: the configuration, a hidden main window of the
// class the companion service and a second start look for, and the worker.
// The message loop runs until the main window closes (a one-shot run posts
// WM_CLOSE with wParam 10 and lParam 10 to it).
#include <windows.h>

#include <memory>

#include "app/Endpoints.h"
#include "config/uAppConfig.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

namespace {

constexpr const wchar_t* kMainWindowClass = L"TBrisvaneMainForm";

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kMainWindowClass;
    if (!::RegisterClassExW(&wc))
        return nullptr;
    return ::CreateWindowExW(0, kMainWindowClass, L"Pictavo", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             instance, nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    platform::MarkMainThread();
    AppConfig = std::make_unique<TAppConfig>();
    AppConfig->Load();
    platform::StartDispatcher();

    const HWND mainWindow = CreateMainWindow(instance);
    if (!mainWindow)
        return 0;
    auto env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = app::StatusPortSetting();
    env.closeMainWindow = [mainWindow] { ::PostMessageW(mainWindow, WM_CLOSE, 10, 10); };
    auto worker = engine::TWorkThread::Create(env);
    worker->SetActive(true);

    MSG msg {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }

    worker->SetActive(false);
    worker.reset();
    AppConfig.reset();
    return 0;
}
