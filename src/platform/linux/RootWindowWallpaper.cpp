// A bare X server: draw the picture into a pixmap of the root window's size
// and make it the root background, the way esetroot-style setters do, so
// pseudo-transparent programs find it through _XROOTPMAP_ID.
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {
namespace {

// Beyond this a picture is refused rather than decoded (a hostile file can
// claim any size).
constexpr double kMaxPicturePixels = 256.0 * 1024 * 1024;

struct DisplayCloser {
    void operator()(Display* d) const noexcept { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct ImageDestroyer {
    void operator()(XImage* image) const noexcept
    {
        image->data = nullptr; // owned by a vector
        XDestroyImage(image);
    }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

GObjectPtr<GdkPixbuf> LoadPicture(const std::string& path)
{
    int width = 0;
    int height = 0;
    if (!gdk_pixbuf_get_file_info(path.c_str(), &width, &height) || width <= 0 || height <= 0
        || static_cast<double>(width) * height > kMaxPicturePixels)
        return nullptr;
    GError* raw = nullptr;
    GObjectPtr<GdkPixbuf> picture(gdk_pixbuf_new_from_file(path.c_str(), &raw));
    const GErrorPtr error(raw);
    return picture;
}

// Draws the picture scaled by (sx, sy) with its corner at (x, y), clipped.
void Place(GdkPixbuf* picture, GdkPixbuf* canvas, double x, double y, double sx, double sy)
{
    const int canvasW = gdk_pixbuf_get_width(canvas);
    const int canvasH = gdk_pixbuf_get_height(canvas);
    const int left = std::max(0, static_cast<int>(std::floor(x)));
    const int top = std::max(0, static_cast<int>(std::floor(y)));
    const int right = std::min(canvasW, static_cast<int>(std::ceil(x + gdk_pixbuf_get_width(picture) * sx)));
    const int bottom = std::min(canvasH, static_cast<int>(std::ceil(y + gdk_pixbuf_get_height(picture) * sy)));
    if (right <= left || bottom <= top)
        return;
    const bool unscaled = sx == 1.0 && sy == 1.0;
    gdk_pixbuf_composite(picture, canvas, left, top, right - left, bottom - top, x, y, sx, sy,
                         unscaled ? GDK_INTERP_NEAREST : GDK_INTERP_BILINEAR, 255);
}

GObjectPtr<GdkPixbuf> Compose(GdkPixbuf* picture, int width, int height, WallpaperStyle style)
{
    GObjectPtr<GdkPixbuf> canvas(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height));
    if (!canvas)
        return nullptr;
    gdk_pixbuf_fill(canvas.get(), 0x000000FF); // black borders
    const int w = gdk_pixbuf_get_width(picture);
    const int h = gdk_pixbuf_get_height(picture);
    switch (style) {
    case WallpaperStyle::Stretch:
        Place(picture, canvas.get(), 0, 0, static_cast<double>(width) / w, static_cast<double>(height) / h);
        break;
    case WallpaperStyle::Max: {
        const double scale = std::max(static_cast<double>(width) / w, static_cast<double>(height) / h);
        Place(picture, canvas.get(), (width - w * scale) / 2, (height - h * scale) / 2, scale, scale);
        break;
    }
    case WallpaperStyle::Tile:
        for (int y = 0; y < height; y += h)
            for (int x = 0; x < width; x += w)
                Place(picture, canvas.get(), x, y, 1, 1);
        break;
    case WallpaperStyle::Center:
        Place(picture, canvas.get(), (width - w) / 2, (height - h) / 2, 1, 1);
        break;
    }
    return canvas;
}

// Where one 8-bit channel goes in a true-colour pixel.
struct ChannelPlace {
    explicit ChannelPlace(unsigned long channelMask)
        : mask(channelMask), shift(std::countr_zero(channelMask)), bits(std::popcount(channelMask))
    {
    }
    unsigned long operator()(unsigned value) const
    {
        const unsigned long scaled =
            bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
        return (scaled << shift) & mask;
    }
    unsigned long mask;
    int shift;
    int bits;
};

// The canvas in the screen's own pixel format; empty for visuals other than
// true colour, which no current X server uses for its root window.
ImagePtr ToXImage(Display* display, int screen, GdkPixbuf* canvas, std::vector<char>& storage)
{
    Visual* visual = DefaultVisual(display, screen);
    if (visual->c_class != TrueColor)
        return nullptr;
    const int width = gdk_pixbuf_get_width(canvas);
    const int height = gdk_pixbuf_get_height(canvas);
    ImagePtr image(XCreateImage(display, visual, static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, 0,
                                nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0));
    if (!image)
        return nullptr;
    storage.assign(static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height), 0);
    image->data = storage.data();
    const guchar* pixels = gdk_pixbuf_read_pixels(canvas);
    const int stride = gdk_pixbuf_get_rowstride(canvas);
    const int channels = gdk_pixbuf_get_n_channels(canvas);
    const ChannelPlace red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
    // The usual 24-bit layout in 32-bit pixels of this machine's byte order
    // is written directly: per pixel through XPutPixel, an 8K screen took
    // most of a second here.
    const bool direct = image->bits_per_pixel == 32 && red.bits == 8 && green.bits == 8 && blue.bits == 8 &&
                        image->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    for (int y = 0; y < height; ++y) {
        const guchar* p = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        char* row = image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line;
        for (int x = 0; x < width; ++x, p += channels) {
            if (direct) {
                const auto pixel = static_cast<std::uint32_t>((static_cast<std::uint32_t>(p[0]) << red.shift) |
                                                              (static_cast<std::uint32_t>(p[1]) << green.shift) |
                                                              (static_cast<std::uint32_t>(p[2]) << blue.shift));
                std::memcpy(row + static_cast<std::ptrdiff_t>(x) * 4, &pixel, 4);
            } else {
                XPutPixel(image.get(), x, y, red(p[0]) | green(p[1]) | blue(p[2]));
            }
        }
    }
    return image;
}

Pixmap ReadPixmapProperty(Display* display, Window root, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, root, property, 0, 1, False, XA_PIXMAP, &type, &format, &count, &after,
                           &data) == Success
        && type == XA_PIXMAP && format == 32 && count == 1 && data)
        pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pixmap;
}

// A previous setter that followed the same convention left its pixmap
// retained; both properties naming it means nobody else uses it. Checked
// through XCB so a pixmap that is already gone yields an error we drop
// instead of one sent to the process-wide Xlib handler.
void FreePreviousPixmap(Display* display, Window root, Atom rootPixmap, Atom esetroot)
{
    const Pixmap previous = ReadPixmapProperty(display, root, esetroot);
    if (previous == None || ReadPixmapProperty(display, root, rootPixmap) != previous)
        return;
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_void_cookie_t cookie = xcb_kill_client_checked(connection, static_cast<uint32_t>(previous));
    std::free(xcb_request_check(connection, cookie));
}

} // namespace

bool SetRootWindowWallpaper(const std::string& path, WallpaperStyle style)
{
    const GObjectPtr<GdkPixbuf> picture = LoadPicture(path);
    if (!picture)
        return false;
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display)
        return false;
    Display* d = display.get();
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const int width = DisplayWidth(d, screen);
    const int height = DisplayHeight(d, screen);

    // A picture of the screen's size without transparency is its own canvas
    // in every placement but tiling's (which lays it once as well).
    const bool screenSized = gdk_pixbuf_get_width(picture.get()) == width &&
                             gdk_pixbuf_get_height(picture.get()) == height && !gdk_pixbuf_get_has_alpha(picture.get());
    const GObjectPtr<GdkPixbuf> canvas =
        screenSized ? GObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(picture.get())))
                    : Compose(picture.get(), width, height, style);
    if (!canvas)
        return false;
    std::vector<char> storage;
    const ImagePtr image = ToXImage(d, screen, canvas.get(), storage);
    if (!image)
        return false;

    const Pixmap pixmap = XCreatePixmap(d, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        static_cast<unsigned>(DefaultDepth(d, screen)));
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    XPutImage(d, pixmap, gc, image.get(), 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFreeGC(d, gc);

    const Atom rootPixmap = XInternAtom(d, "_XROOTPMAP_ID", False);
    const Atom esetroot = XInternAtom(d, "ESETROOT_PMAP_ID", False);
    XGrabServer(d); // no other setter between reading the old id and writing ours
    FreePreviousPixmap(d, root, rootPixmap, esetroot);
    XSetWindowBackgroundPixmap(d, root, pixmap);
    XClearWindow(d, root);
    const unsigned long id = pixmap;
    for (const Atom property : {rootPixmap, esetroot})
        XChangeProperty(d, root, property, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&id), 1);
    XUngrabServer(d);
    // The pixmap must outlive this connection: the next setter frees it.
    XSetCloseDownMode(d, RetainPermanent);
    XSync(d, False);
    return true;
}

} // namespace platform::linuxdesk
