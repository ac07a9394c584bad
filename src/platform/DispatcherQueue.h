#pragma once
// The dispatcher's parts each system provides (internal to src/platform).
namespace platform::detail {

// Tells the main thread that calls wait in the queue.
void SignalMainThread();

} // namespace platform::detail
