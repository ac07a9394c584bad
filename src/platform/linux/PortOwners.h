#pragma once
// Who listens on a local TCP port, read from the kernel's socket tables.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::linuxdesk {

// The user ids owning a listening socket that takes connections to
// 127.0.0.1:port (bound there, to any address, or to IPv6's any address),
// one entry per socket; empty when none is seen, nothing when the kernel's
// tables cannot be read.
std::optional<std::vector<uid_t>> LoopbackListenerOwners(std::uint16_t port);

} // namespace platform::linuxdesk
