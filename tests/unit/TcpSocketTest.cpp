// Loopback TCP faults the status link relies on.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/TcpSocket.h"
#include "support/StatusReceiver.h"

TEST(TcpSocket, RefusedConnectFailsQuickly)
{
    platform::TcpClient client;
    EXPECT_FALSE(client.Connect(testing_support::UnusedPort()));
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.SendAll("x", 1));
}

TEST(TcpSocket, SendIntoAPeerThatNeverReadsGivesUp)
{
    platform::TcpListener service;
    platform::TcpClient client;
    ASSERT_TRUE(client.Connect(service.Port()));
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    // Far more than the loopback buffers hold; the peer reads nothing.
    const std::vector<char> bytes(std::size_t{64} << 20, 'z');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.SendAll(bytes.data(), bytes.size()));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(client.Connected());
    EXPECT_LT(took, std::chrono::milliseconds(platform::SendTimeoutMs * 2));
}
