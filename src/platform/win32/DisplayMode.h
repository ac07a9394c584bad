#pragma once
// Where the Windows edition learns the primary screen's size. A program that
// is not DPI-aware is told scaled metrics (1280 x 720 on a 1920 x 1080 panel
// at 150 %), while the display mode always gives the real pixels.
#include <optional>

#include "platform/Screen.h"

namespace platform::win {

// The primary monitor's current display mode; none when the system does not say.
std::optional<ScreenSize> CurrentDisplayMode();

// The display mode when it names a size, else the system metrics.
ScreenSize ChooseScreenSize(std::optional<ScreenSize> displayMode, ScreenSize metrics);

} // namespace platform::win
