#pragma once
// The primary display, read at the moment of use.

namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Zero width and height when no display can be asked (then nothing is
// fitted and no variant is chosen by size). Linux: the size the main thread
// last published, in real pixels (platform/linux/LinuxScreen.h); callable
// from any thread. Windows: the primary monitor's display mode
// (platform/win32/DisplayMode.h).
ScreenSize PrimaryScreenSize();

} // namespace platform
