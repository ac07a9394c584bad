#include "GuiSupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtk/gtk.h>
#include <libintl.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <thread>

#include "platform/FileSystem.h"
#include "ui/gtk/Language.h"

namespace gui_test {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

std::string TitleOf(Display* d, Window w)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return title;
}

} // namespace

void UseLocale(bool chinese)
{
    setenv("LOCPATH", PICTAVO_TEST_LOCALES, 1);
    setenv("LC_ALL", chinese ? "zh_CN.UTF-8" : "C.UTF-8", 1);
    unsetenv("LANGUAGE");
    ui::gtk::SetUpLanguage();
}

void InitGtk()
{
    static const bool done = [] {
        UseLocale(true);
        return gtk_init_check(nullptr, nullptr);
    }();
    (void)done;
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (done && done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done && done();
}

void Pump(int ms)
{
    PumpUntil(nullptr, ms);
}

bool Xdo(const std::string& args)
{
    return std::system(("xdotool " + args).c_str()) == 0;
}

std::vector<TopLevel> FindWindows(const std::string& title)
{
    std::vector<TopLevel> found;
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display)
        return found;
    Display* d = display.get();
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        if (TitleOf(d, children[i]) != title)
            continue;
        XWindowAttributes a {};
        // GDK's group leader and an unused tray icon window carry the title too.
        if (!XGetWindowAttributes(d, children[i], &a) || a.width < 32 || a.height < 32)
            continue;
        found.push_back({children[i], a.x, a.y, a.width, a.height, a.map_state == IsViewable});
    }
    if (children)
        XFree(children);
    return found;
}

bool WaitForViewable(const std::string& title, std::size_t count, int ms)
{
    const auto viewable = [&] {
        std::size_t n = 0;
        for (const TopLevel& w : FindWindows(title))
            n += w.viewable ? 1 : 0;
        return n == count;
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (viewable())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return viewable();
}

void RequestClose(unsigned long window)
{
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display)
        return;
    Display* d = display.get();
    XEvent e {};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
    XFlush(d);
}

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << '(' << c.r << ',' << c.g << ',' << c.b << ')';
}

PixbufPtr Screenshot(const std::string& path)
{
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display)
        return nullptr;
    Display* d = display.get();
    const int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                              AllPlanes, ZPixmap);
    if (!image)
        return nullptr;
    PixbufPtr shot(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
    guchar* pixels = gdk_pixbuf_get_pixels(shot.get());
    const int stride = gdk_pixbuf_get_rowstride(shot.get());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            guchar* out = pixels + y * stride + x * 3;
            out[0] = static_cast<guchar>((p >> 16) & 0xFF);
            out[1] = static_cast<guchar>((p >> 8) & 0xFF);
            out[2] = static_cast<guchar>(p & 0xFF);
        }
    XDestroyImage(image);
    if (!path.empty())
        gdk_pixbuf_save(shot.get(), path.c_str(), "png", nullptr, nullptr);
    return shot;
}

Rgb PixelAt(GdkPixbuf* picture, int x, int y)
{
    const guchar* p = gdk_pixbuf_get_pixels(picture) + y * gdk_pixbuf_get_rowstride(picture) +
                      x * gdk_pixbuf_get_n_channels(picture);
    return {p[0], p[1], p[2]};
}

int FrameDistance(GdkPixbuf* picture, int x, int y, GdkPixbuf* strip, int fx, int w, int h, Rgb background)
{
    int worst = 0;
    const int channels = gdk_pixbuf_get_n_channels(strip);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const guchar* s =
                gdk_pixbuf_get_pixels(strip) + j * gdk_pixbuf_get_rowstride(strip) + (fx + i) * channels;
            const int a = channels == 4 ? s[3] : 255;
            const int bg[3] = {background.r, background.g, background.b};
            const Rgb seen = PixelAt(picture, x + i, y + j);
            const int got[3] = {seen.r, seen.g, seen.b};
            for (int c = 0; c < 3; ++c) {
                const int expected = (s[c] * a + bg[c] * (255 - a) + 127) / 255;
                worst = std::max(worst, std::abs(expected - got[c]));
            }
        }
    return worst;
}

std::string ScreenshotDir()
{
    const std::string exe = platform::OwnExecutablePath();
    const std::string dir = exe.substr(0, exe.rfind('/')) + "/../screenshots/";
    platform::ForceDirectories(dir);
    return dir;
}

} // namespace gui_test
