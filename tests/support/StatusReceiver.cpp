#include "support/StatusReceiver.h"

namespace testing_support {

std::optional<ClientStatus> ReceiveStatus(platform::TcpConnection& connection, int timeoutMs)
{
    ClientStatusRecord record{};
    std::size_t have = 0;
    while (have < record.size()) {
        const std::size_t n = connection.Receive(record.data() + have, record.size() - have, timeoutMs);
        if (n == 0)
            return std::nullopt;
        have += n;
    }
    return DecodeClientStatus(record);
}

std::uint16_t UnusedPort()
{
    const platform::TcpListener probe;
    return probe.Port();
}

} // namespace testing_support
