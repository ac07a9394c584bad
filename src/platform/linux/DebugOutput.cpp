#include "platform/DebugOutput.h"

#include <cstdio>

namespace platform {

void DebugOutput(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace platform
