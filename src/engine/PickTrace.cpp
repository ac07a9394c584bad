#include "engine/PickTrace.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/DebugOutput.h"

namespace engine {

void PickTrace(const char* step)
{
    static const bool enabled = std::getenv("PICTAVO_PICK_TRACE") != nullptr;
    if (!enabled)
        return;
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    platform::DebugOutput(std::string("pick-trace ") + step + " " + std::to_string(now.count()));
}

} // namespace engine
