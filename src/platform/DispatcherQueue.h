#pragma once
#include <cstdint>
#include <functional>

// The dispatcher's parts each system provides (internal to src/platform).
namespace platform::detail {

// Tells the main thread that calls wait in the queue.
void SignalMainThread();

// MainThreadWait off the main thread: nothing to serve, so it only polls done().
bool PollUntilDone(const std::function<bool()>& done, std::uint32_t timeoutMs);

} // namespace platform::detail
