#pragma once
// The primary display, read at the moment of use.

namespace platform {

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Zero width and height when no display can be asked.
ScreenSize PrimaryScreenSize();

} // namespace platform
