#include "engine/LocalTime.h"

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

std::int64_t ToLocalUnixTime(const platform::LocalDateTime& t)
{
    const std::int64_t seconds =
        DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    return seconds + (t.millisecond >= 500 ? 1 : 0);
}

std::int64_t LocalUnixTime()
{
    return ToLocalUnixTime(platform::LocalNow());
}
