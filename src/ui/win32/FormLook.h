#pragma once
// What the two borderless windows share: their background colour and font,
// the icon-and-caption title, dragging by the background, and flicker-free
// painting through a memory bitmap.
#include <windows.h>

#include <optional>
#include <string>

#include "ui/win32/SkinBtn.h"

namespace ui {

// RGB(237, 238, 240): the title strip the skin strips are drawn for.
inline constexpr COLORREF kFormColor = 0xF0EEED;

// Owns one GDI object (font, brush, bitmap).
class TGdiObject {
public:
    explicit TGdiObject(HGDIOBJ h = nullptr) noexcept : h_(h) {}
    ~TGdiObject()
    {
        if (h_)
            ::DeleteObject(h_);
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    HGDIOBJ get() const noexcept { return h_; }
    void reset(HGDIOBJ h) noexcept
    {
        if (h_)
            ::DeleteObject(h_);
        h_ = h;
    }
    HFONT font() const noexcept { return static_cast<HFONT>(h_); }
    HBRUSH brush() const noexcept { return static_cast<HBRUSH>(h_); }

private:
    HGDIOBJ h_;
};

// The program icon at the given size: its own entry, or the next larger one
// shrunk where the system can; the caller destroys it.
HICON LoadFormIcon(int size);

// Registers a form's window class unless it exists already. withIcon gives
// the class the program icon (for the taskbar and Alt+Tab).
void RegisterFormClass(const wchar_t* className, WNDPROC proc, bool withIcon);

// Tahoma 8 points at dpi.
HFONT CreateFormFont(int dpi);

// How wide text is in the window's own font (WM_GETFONT).
int TextWidth(HWND window, const std::wstring& text);

// The program icon 16 x 16 at (4, 4) and the caption at (24, 5), in pixels
// at 96 dpi, scaled to dpi.
void PaintFormTitle(HDC dc, HFONT font, const std::wstring& caption, int dpi);

// Lets the system's move loop drag the window with the mouse (the left button
// went down on its background).
void DragForm(HWND window);

// The messages both forms answer alike: the mouse goes to the skin buttons
// first, and a left button on the background drags the form; painting draws
// the title (at dpi) and the buttons. Nothing for any other message.
std::optional<LRESULT> HandleFormMessage(HWND window, TSkinBtnRouter& router, HFONT font, const wchar_t* caption,
                                         int dpi, UINT message, WPARAM wParam, LPARAM lParam);

// The window procedure of a form class: the form comes with WM_NCCREATE and
// stays in the window's user data; messages before the form holds its handle
// get the default handling.
template <typename Form>
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form || !form->Handle())
        return ::DefWindowProcW(window, message, wParam, lParam);
    return form->WndProc(window, message, wParam, lParam);
}

// A window's WM_PAINT drawn into a memory bitmap first and copied at once.
// paint(dc) draws the whole client area on the form colour.
template <typename PaintFn>
void PaintBuffered(HWND window, PaintFn&& paint)
{
    PAINTSTRUCT ps;
    const HDC target = ::BeginPaint(window, &ps);
    RECT client;
    ::GetClientRect(window, &client);
    const HDC memory = ::CreateCompatibleDC(target);
    const TGdiObject bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
    const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
    const TGdiObject back(::CreateSolidBrush(kFormColor));
    ::FillRect(memory, &client, back.brush());
    paint(memory);
    ::BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::EndPaint(window, &ps);
}

} // namespace ui
