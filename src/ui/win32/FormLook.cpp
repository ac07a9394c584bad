#include "ui/win32/FormLook.h"

namespace ui {

HFONT CreateFormFont()
{
    return ::CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

void PaintFormTitle(HDC dc, HFONT font, const std::wstring& caption)
{
    // The 16-pixel entry of the icon, not the 32-pixel one shrunk.
    if (const auto icon = static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR))) {
        ::DrawIconEx(dc, 4, 4, icon, 16, 16, 0, nullptr, DI_NORMAL);
        ::DestroyIcon(icon);
    }
    const HGDIOBJ old = ::SelectObject(dc, font);
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, kFormColor);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::TextOutW(dc, 24, 5, caption.c_str(), static_cast<int>(caption.size()));
    ::SelectObject(dc, old);
}

void DragForm(HWND window)
{
    ::ReleaseCapture();
    // SC_MOVE with 7 in the low bits: the move the system starts for a drag
    // by the caption, following the mouse at once.
    ::SendMessageW(window, WM_SYSCOMMAND, 0xF017, 0);
}

} // namespace ui
