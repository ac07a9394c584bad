#pragma once
// When a file was last written.
#include <cstdint>
#include <string>

namespace platform {

// In 100-nanosecond units since 1970-01-01 UTC; 0 when it cannot be read.
std::int64_t FileWriteTime(const std::string& path);

} // namespace platform
