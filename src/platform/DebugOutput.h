#pragma once
// The one diagnostic channel: debugger output on Windows, standard error on Linux.
#include <string>

namespace platform {

void DebugOutput(const std::string& line);

} // namespace platform
