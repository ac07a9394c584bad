// The screen size the client fits pictures to. Wine tells a program that is
// not DPI-aware the real metrics, so the scaled case is given to the choice.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/DisplayMode.h"

using platform::ScreenSize;
using platform::win::ChooseScreenSize;

namespace {

bool operator==(ScreenSize a, ScreenSize b)
{
    return a.width == b.width && a.height == b.height;
}

} // namespace

TEST(PrimaryScreenSize, TheDisplayModeWinsOverScaledMetrics)
{
    const ScreenSize scaled {1280, 720};
    EXPECT_TRUE(ChooseScreenSize(ScreenSize {1920, 1080}, scaled) == (ScreenSize {1920, 1080}));
    EXPECT_TRUE(ChooseScreenSize(std::nullopt, scaled) == scaled);
    EXPECT_TRUE(ChooseScreenSize(ScreenSize {0, 0}, scaled) == scaled);

    // The system's own answer reaches the engine.
    const auto mode = platform::win::CurrentDisplayMode();
    ASSERT_TRUE(mode);
    EXPECT_GT(mode->width, 0);
    EXPECT_TRUE(platform::PrimaryScreenSize() == *mode);
}
