#pragma once
// Command-line numbers of the development tools.
#include <cstdlib>

namespace tools {

// A whole decimal number in [low, high]; anything else leaves out alone.
inline bool ParseNumber(const char* text, long low, long high, long& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high)
        return false;
    out = v;
    return true;
}

} // namespace tools
