#!/usr/bin/env python3
"""One timed click for bench/click_to_wallpaper.sh, from a single process.

usage: click_poller.py X Y PX PY "R G B" TOLERANCE [TIMEOUT_S]

Moves the pointer to (X, Y) and lets it rest there (outside the timed
window, so the page has seen the hover), then clicks through XTEST and
reads the root window's pixel at (PX, PY) every 2 ms until it is within
TOLERANCE of R G B. Prints "CLICK_US ELAPSED_MS": the click's wall-clock
time in microseconds since 1970 (to line up with the client's step times)
and the time until the screen showed the colour. Exits 1 on a time-out.
"""
import ctypes
import ctypes.util
import sys
import time

x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                          ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XGetSubImage.restype = ctypes.c_void_p
x11.XGetSubImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                             ctypes.c_uint, ctypes.c_ulong, ctypes.c_int, ctypes.c_void_p, ctypes.c_int,
                             ctypes.c_int]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

ALL_PLANES = 0xFFFFFFFF
Z_PIXMAP = 2


class XImageHead(ctypes.Structure):
    # The leading fields of XImage, up to its pixel data.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte))]


def main():
    x, y, px, py = (int(a) for a in sys.argv[1:5])
    want = [int(c) for c in sys.argv[5].split()]
    tolerance = int(sys.argv[6])
    timeout = float(sys.argv[7]) if len(sys.argv) > 7 else 60.0
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("no X display")
    root = x11.XDefaultRootWindow(display)
    image = x11.XGetImage(display, root, px, py, 1, 1, ALL_PLANES, Z_PIXMAP)
    head = XImageHead.from_address(image)

    def shows():
        x11.XGetSubImage(display, root, px, py, 1, 1, ALL_PLANES, Z_PIXMAP, image, 0, 0)
        b, g, r = head.data[0], head.data[1], head.data[2]  # 24-bit TrueColor, least significant first
        return all(abs(a - w) <= tolerance for a, w in zip((r, g, b), want))

    if shows():
        sys.exit("the screen shows the colour before the click")
    xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
    x11.XSync(display, 0)
    time.sleep(0.4)  # the pointer rests on the picture, as a person's does
    start = time.time()
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    x11.XFlush(display)
    while not shows():
        if time.time() - start > timeout:
            sys.exit(1)
        time.sleep(0.002)
    elapsed = (time.time() - start) * 1000
    print(f"{int(start * 1e6)} {elapsed:.1f}")


if __name__ == "__main__":
    main()
