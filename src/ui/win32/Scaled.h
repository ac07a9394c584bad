#pragma once
// The windows are designed in pixels at 96 dpi and drawn at the DPI of the
// monitor they show on. The calls that tell a window's DPI came with later
// Windows versions; each is looked up at run time, and older systems get the
// system DPI (Vista, 7) or 96 (XP without large fonts).
#include <windows.h>

namespace ui {

inline constexpr int kDesignDpi = 96;

// A designed length at dpi, rounded to the nearest pixel.
inline int Scaled(int value, int dpi)
{
    return ::MulDiv(value, dpi, kDesignDpi);
}

// The DPI of the monitor at a screen point (a window about to be made there).
int DpiAt(POINT point);
// The DPI a window is drawn at.
int WindowDpi(HWND window);
// A system metric (SM_CXMENUCHECK, ...) as it is at dpi.
int MetricForDpi(int index, int dpi);
// Which copy of a picture to draw at dpi: 1 (the designed pixels) at 96 or
// less, otherwise 2, shrunk where the DPI lies in between, so no picture is
// ever blown up from its smaller copy.
inline int PictureScale(int dpi)
{
    return dpi > kDesignDpi ? 2 : 1;
}

// What WM_DPICHANGED brings: the new DPI and where the system suggests the
// window goes.
struct TDpiChange {
    int dpi;
    RECT suggested;
};
TDpiChange ReadDpiChange(WPARAM wParam, LPARAM lParam);
// The message's number, which the XP headers do not name.
inline constexpr UINT kWmDpiChanged = 0x02E0;

} // namespace ui
