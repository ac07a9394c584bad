// Prints "R G B" of each screen point given as X Y pairs, read from the root
// window of $DISPLAY one pixel at a time (a whole-screen grab of an 8K screen
// takes seconds).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 3 || argc % 2 == 0) {
        std::fputs("usage: ScreenPixel X Y [X Y...]\n", stderr);
        return 2;
    }
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) {
        std::fputs("ScreenPixel: no display\n", stderr);
        return 1;
    }
    const Window root = DefaultRootWindow(display.get());
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::unique_ptr<XImage, int (*)(XImage*)> image(
            XGetImage(display.get(), root, std::atoi(argv[i]), std::atoi(argv[i + 1]), 1, 1, AllPlanes, ZPixmap),
            [](XImage* img) { return XDestroyImage(img); });
        if (!image) {
            std::fprintf(stderr, "ScreenPixel: cannot read %s,%s\n", argv[i], argv[i + 1]);
            return 1;
        }
        const unsigned long p = XGetPixel(image.get(), 0, 0);
        std::printf("%lu %lu %lu\n", (p & image->red_mask) >> 16, (p & image->green_mask) >> 8, p & image->blue_mask);
    }
    return 0;
}
