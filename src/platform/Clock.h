#pragma once
// The local wall clock, as the schedule counts it.

namespace platform {

struct LocalDateTime {
    int year = 1970;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LocalDateTime LocalNow();

} // namespace platform
