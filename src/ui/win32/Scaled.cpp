#include "ui/win32/Scaled.h"

namespace ui {

namespace {

// MDT_EFFECTIVE_DPI of shcore's GetDpiForMonitor.
constexpr int kEffectiveDpi = 0;

template <typename Fn>
Fn Lookup(const wchar_t* module, const char* name)
{
    // user32 is always loaded; shcore (Windows 8.1) is loaded on first use.
    HMODULE handle = ::GetModuleHandleW(module);
    if (!handle)
        handle = ::LoadLibraryW(module);
    // The cast from FARPROC is the one way to call a function found by name.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return handle ? reinterpret_cast<Fn>(::GetProcAddress(handle, name)) : nullptr;
#pragma GCC diagnostic pop
}

int SystemDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int MonitorDpi(HMONITOR monitor)
{
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return SystemDpi();
}

} // namespace

int DpiAt(POINT point)
{
    return MonitorDpi(::MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY));
}

int WindowDpi(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    return MonitorDpi(window ? ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY) : nullptr);
}

int MetricForDpi(int index, int dpi)
{
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = Lookup<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

TDpiChange ReadDpiChange(WPARAM wParam, LPARAM lParam)
{
    TDpiChange change {HIWORD(wParam), {}};
    if (change.dpi <= 0)
        change.dpi = kDesignDpi;
    if (lParam)
        change.suggested = *reinterpret_cast<const RECT*>(lParam);
    return change;
}

} // namespace ui
