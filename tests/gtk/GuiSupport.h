#pragma once
// What the window tests share: the locale they check texts under, running
// GTK's loop for a while, real input through xdotool, and reading top-level
// windows and screen pixels back from the X server.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/GLibPtr.h"

namespace gui_test {

// The build's zh_CN.UTF-8 (or, with chinese false, C.UTF-8) for this process
// and the programs it starts; rebinds the program's texts.
void UseLocale(bool chinese);
// gtk_init once, under the Chinese locale.
void InitGtk();
// Runs GTK's loop for ms milliseconds, or until done() holds.
bool PumpUntil(const std::function<bool()>& done, int ms = 5000);
void Pump(int ms);

// xdotool with these arguments; true when it exited 0.
bool Xdo(const std::string& args);

struct TopLevel {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
};
// Top-level windows of the display whose title is exactly title (not the
// small helper windows GTK names after the program).
std::vector<TopLevel> FindWindows(const std::string& title);
// Waits until exactly `count` viewable windows of that title exist.
bool WaitForViewable(const std::string& title, std::size_t count, int ms = 10000);
// Sends the window the window manager's close request (WM_DELETE_WINDOW).
void RequestClose(unsigned long window);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c);

using PixbufPtr = platform::linuxdesk::GObjectPtr<GdkPixbuf>;
// The whole screen, saved to path as PNG as well when path is not empty.
PixbufPtr Screenshot(const std::string& path = {});
Rgb PixelAt(GdkPixbuf* picture, int x, int y);
// The largest channel difference between picture at (x, y) and the frame
// (fx, 0, w, h) of strip drawn over background.
int FrameDistance(GdkPixbuf* picture, int x, int y, GdkPixbuf* strip, int fx, int w, int h, Rgb background);

// The folder screenshots go to: build/<preset>/screenshots.
std::string ScreenshotDir();

} // namespace gui_test
