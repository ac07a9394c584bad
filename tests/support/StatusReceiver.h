#pragma once
// Reading ClientStatus records off an accepted connection in tests.
#include <optional>

#include "engine/uClientConst.h"
#include "platform/TcpSocket.h"

namespace testing_support {

// The next whole record, or nothing when the connection ends or stays
// silent for timeoutMs.
std::optional<ClientStatus> ReceiveStatus(platform::TcpConnection& connection, int timeoutMs = 5000);

// A port on 127.0.0.1 that nothing listens on right now.
std::uint16_t UnusedPort();

} // namespace testing_support
