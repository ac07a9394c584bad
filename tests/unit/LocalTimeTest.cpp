#include <gtest/gtest.h>

#include "engine/LocalTime.h"

TEST(LocalTime, CountsTheWallClockAsUtcAndRoundsToTheSecond)
{
    EXPECT_EQ(ToLocalUnixTime({1970, 1, 1, 0, 0, 0, 0}), 0);
    EXPECT_EQ(ToLocalUnixTime({1970, 1, 1, 0, 0, 0, 499}), 0);
    EXPECT_EQ(ToLocalUnixTime({1970, 1, 1, 0, 0, 0, 500}), 1);
    EXPECT_EQ(ToLocalUnixTime({2000, 2, 29, 12, 0, 0, 0}), 951825600);
    EXPECT_EQ(ToLocalUnixTime({2038, 1, 19, 3, 14, 7, 0}), 2147483647);
    EXPECT_EQ(ToLocalUnixTime({2106, 2, 7, 6, 28, 16, 0}), 4294967296LL);
    EXPECT_EQ(ToLocalUnixTime({1969, 12, 31, 23, 59, 59, 0}), -1);
}

TEST(LocalTime, NowIsAPlausibleRecentTime)
{
    const auto now = LocalUnixTime();
    EXPECT_GT(now, ToLocalUnixTime({2024, 1, 1, 0, 0, 0, 0}));
    EXPECT_LT(now, ToLocalUnixTime({2100, 1, 1, 0, 0, 0, 0}));
}
