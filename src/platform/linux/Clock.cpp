#include "platform/Clock.h"

#include <ctime>

namespace platform {

LocalDateTime LocalNow()
{
    timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm {};
    ::localtime_r(&ts.tv_sec, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
            static_cast<int>(ts.tv_nsec / 1000000)};
}

} // namespace platform
