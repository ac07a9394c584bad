// Hiding to the tray where nothing shows tray icons would lose the window.
#include <gtest/gtest.h>

#include "app/TrayHost.h"

TEST(TrayHost, HidesOnlyWhereATrayIconCanBringTheWindowBack)
{
    EXPECT_EQ(app::DecideHideToTray(true), app::HideToTrayAction::Hide);
    EXPECT_EQ(app::DecideHideToTray(false), app::HideToTrayAction::Iconify);
}
