#include "ui/win32/FormLook.h"

#include "ui/win32/Scaled.h"

namespace ui {

HICON LoadFormIcon(int size)
{
    // Common controls 6 (Vista and later) shrink the next larger entry and
    // never blow a smaller one up, for sizes the file does not carry.
    using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown = [] {
        const HMODULE controls = ::LoadLibraryW(L"comctl32.dll");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
        return controls ? reinterpret_cast<LoadIconWithScaleDownFn>(::GetProcAddress(controls, "LoadIconWithScaleDown"))
                        : nullptr;
#pragma GCC diagnostic pop
    }();
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(::GetModuleHandleW(nullptr), L"MAINICON", size, size, &icon)) && icon)
        return icon;
    return static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void RegisterFormClass(const wchar_t* className, WNDPROC proc, bool withIcon)
{
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), className, &wc))
        return;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    if (withIcon) {
        // The taskbar's and Alt+Tab's sizes, which follow the system DPI.
        wc.hIcon = LoadFormIcon(::GetSystemMetrics(SM_CXICON));
        wc.hIconSm = LoadFormIcon(::GetSystemMetrics(SM_CXSMICON));
    }
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    ::RegisterClassExW(&wc);
}

HFONT CreateFormFont(int dpi)
{
    constexpr int kPoints = 8;
    return ::CreateFontW(-::MulDiv(kPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

int TextWidth(HWND window, const std::wstring& text)
{
    const HDC dc = ::GetDC(window);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return size.cx;
}

void PaintFormTitle(HDC dc, HFONT font, const std::wstring& caption, int dpi)
{
    // The icon file carries the sizes of the usual scales, so this is drawn
    // from an entry of its own size.
    const int size = Scaled(16, dpi);
    if (const HICON icon = LoadFormIcon(size)) {
        ::DrawIconEx(dc, Scaled(4, dpi), Scaled(4, dpi), icon, size, size, 0, nullptr, DI_NORMAL);
        ::DestroyIcon(icon);
    }
    const HGDIOBJ old = ::SelectObject(dc, font);
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, kFormColor);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::TextOutW(dc, Scaled(24, dpi), Scaled(5, dpi), caption.c_str(), static_cast<int>(caption.size()));
    ::SelectObject(dc, old);
}

void DragForm(HWND window)
{
    ::ReleaseCapture();
    // SC_MOVE with 7 in the low bits (no SDK name): the move the system
    // starts for a drag by the caption, following the mouse at once.
    ::SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | 7, 0);
}

std::optional<LRESULT> HandleFormMessage(HWND window, TSkinBtnRouter& router, HFONT font, const wchar_t* caption,
                                         int dpi, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        if (router.HandleMouse(message, wParam, lParam))
            return 0;
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
            DragForm(window);
            return 0;
        }
        return std::nullopt;
    }
    if (const auto answer = router.HandleAccessibility(window, message, wParam, lParam))
        return answer;
    switch (message) {
    case WM_MOUSELEAVE:
    case WM_CAPTURECHANGED:
        router.HandleMouse(message, wParam, lParam);
        return std::nullopt;
    case WM_PAINT:
        PaintBuffered(window, [&](HDC dc) {
            PaintFormTitle(dc, font, caption, dpi);
            router.PaintAll(dc);
        });
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return std::nullopt;
    }
}

} // namespace ui
