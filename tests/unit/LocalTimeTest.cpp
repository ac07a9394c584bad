#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

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

// The wall clock of a zone three hours east of UTC, counted as if UTC: three
// hours ahead of the Unix time, never the Unix time itself.
TEST(LocalTime, NowIsTheWallClockOfTheLocalZone)
{
#ifdef _WIN32
    // The zone is the system's here; the C runtime's own reading of it stands
    // as the independent reference.
    const std::time_t utc = std::time(nullptr);
    const std::int64_t offset = static_cast<std::int64_t>(_mkgmtime(std::localtime(&utc))) - utc;
#else
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "XYZ-3", 1);
    ::tzset();
    const std::time_t utc = std::time(nullptr);
    const std::int64_t offset = 3 * 3600;
#endif
    const std::int64_t now = LocalUnixTime();
#ifndef _WIN32
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
#endif
    EXPECT_NEAR(static_cast<double>(now), static_cast<double>(utc + offset), 2.0);
}
