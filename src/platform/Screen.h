#pragma once
// The primary display, read at the moment of use.

namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Zero width and height when no display can be asked (then nothing is
// fitted and no variant is chosen by size). Linux: the primary monitor's
// monitor through RandR, else the first one, else the whole X screen.
ScreenSize PrimaryScreenSize();

} // namespace platform
