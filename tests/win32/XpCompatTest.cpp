// The 64-bit tick count the program gives the threads runtime on Windows XP.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/XpCompat.h"

namespace {

std::vector<std::uint32_t> readings;
std::size_t next = 0;

std::uint32_t Reading()
{
    return readings[next++];
}

} // namespace

TEST(XpCompat, TickCountKeepsCountingAcrossWraps)
{
    readings = {0xFFFFFFF0u, 0xFFFFFFF0u, 0x00000005u, 0x7FFFFFFFu, 0x00000001u};
    next = 0;
    std::atomic<std::uint64_t> state {0};
    using platform::win::ExtendTickCount;
    EXPECT_EQ(ExtendTickCount(state, Reading), 0x0FFFFFFF0ULL);
    EXPECT_EQ(ExtendTickCount(state, Reading), 0x0FFFFFFF0ULL); // no tick: no wrap
    EXPECT_EQ(ExtendTickCount(state, Reading), 0x100000005ULL);
    EXPECT_EQ(ExtendTickCount(state, Reading), 0x17FFFFFFFULL);
    EXPECT_EQ(ExtendTickCount(state, Reading), 0x200000001ULL);
}
