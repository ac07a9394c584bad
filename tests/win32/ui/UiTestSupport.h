#pragma once
// What the window tests share: GDI+ and OLE for the whole run, a memory
// surface to paint into and read back, and a way to act from inside a modal
// loop.
#include <windows.h>

#include <functional>
#include <string>

namespace ui_test {

// A 32-bit surface filled with one colour; Pixel reads what was painted.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF Pixel(int x, int y) const { return ::GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// Runs fn from the thread's message loop (the one running then, e.g. a
// modal dialog's) as soon as it next waits for a message.
void Later(std::function<void()> fn);

// Handles the messages waiting now (sends, posts, paints).
void Pump();

// The texts of a window and of its children, joined by '\n'.
std::wstring AllTexts(HWND window);

// Clicks with the left button at a point of the window's client area, as
// the mouse would: move, press, release.
void ClickAt(HWND window, int x, int y);

} // namespace ui_test
