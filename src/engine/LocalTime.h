#pragma once
// The time unit of the rotation schedule: whole seconds since 1970-01-01
// 00:00:00 of the local wall clock, the local date and time counted as if they
// were UTC (no time-zone or daylight-saving correction).
#include <cstdint>

#include "platform/Clock.h"

std::int64_t ToLocalUnixTime(const platform::LocalDateTime& t);  // rounded to the nearest second
std::int64_t LocalUnixTime();
