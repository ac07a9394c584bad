// The status link against a real listener on the loopback address.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/StatusLink.h"
#include "support/StatusReceiver.h"

using namespace std::chrono_literals;
using testing_support::ReceiveStatus;
using testing_support::UnusedPort;

namespace {

void ExpectRecord(const std::optional<ClientStatus>& s, std::int64_t time, bool update, bool run, const std::string& dir)
{
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->NextChangeTime, time);
    EXPECT_EQ(s->AutoUpdate, update);
    EXPECT_EQ(s->AutoRun, run);
    EXPECT_EQ(s->ConfigDir, dir);
    EXPECT_EQ(s->ClientVersion, "1.0.0.717");
}

} // namespace

TEST(StatusLink, NoServiceSendsNothingQuietly)
{
    TStatusLink link(UnusedPort(), 1ms);
    EXPECT_NO_THROW(link.SendStatus(100, true, true, "dir"));
    EXPECT_FALSE(link.Connected());
    std::this_thread::sleep_for(2ms);
    EXPECT_NO_THROW(link.SendStatus(100, true, true, "dir"));
    EXPECT_FALSE(link.Connected());
}

TEST(StatusLink, ServiceAppearingLaterGetsTheCurrentRecord)
{
    const std::uint16_t port = UnusedPort();
    TStatusLink link(port, 20ms);
    link.SendStatus(1, false, false, "old");
    ASSERT_FALSE(link.Connected());

    platform::TcpListener service(port);
    ASSERT_TRUE(service.Listening());
    std::this_thread::sleep_for(30ms);
    link.SendStatus(2, true, false, "new");
    ASSERT_TRUE(link.Connected());
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    ExpectRecord(ReceiveStatus(*connection), 2, true, false, "new");
}

TEST(StatusLink, RecordsBackToBackFrameCorrectly)
{
    platform::TcpListener service;
    ASSERT_TRUE(service.Listening());
    TStatusLink link(service.Port(), 1ms);
    const std::string longDir(300, 'x'); // too long: sent empty
    link.SendStatus(-5, true, true, "a");
    link.SendStatus(std::int64_t{1} << 40, false, true, longDir);
    link.SendStatus(7, false, false, "c\xC3\xA9");
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    ExpectRecord(ReceiveStatus(*connection), -5, true, true, "a");
    ExpectRecord(ReceiveStatus(*connection), std::int64_t{1} << 40, false, true, "");
    ExpectRecord(ReceiveStatus(*connection), 7, false, false, "c\xC3\xA9");
    // One connection carried all three.
    EXPECT_EQ(service.Accept(0), nullptr);
}

TEST(StatusLink, ServiceClosingTheConnectionLeadsToAReconnect)
{
    platform::TcpListener service;
    TStatusLink link(service.Port(), 1ms);
    link.SendStatus(1, true, true, "first");
    {
        auto connection = service.Accept(5000);
        ASSERT_NE(connection, nullptr);
        ExpectRecord(ReceiveStatus(*connection), 1, true, true, "first");
    } // the service drops the connection

    // Sends into the dead connection are lost quietly (no SIGPIPE); a later
    // call reconnects and delivers the record current at that time.
    std::unique_ptr<platform::TcpConnection> next;
    int calls = 0;
    for (; calls < 200 && !next; ++calls) {
        link.SendStatus(100 + calls, false, true, "again");
        next = service.Accept(10);
    }
    ASSERT_NE(next, nullptr);
    EXPECT_GE(calls, 2);
    ExpectRecord(ReceiveStatus(*next), 100 + calls - 1, false, true, "again");
    EXPECT_TRUE(link.Connected());
}

TEST(StatusLink, ConnectAttemptsAreThrottledWhileTheServiceIsAway)
{
    const std::uint16_t port = UnusedPort();
    TStatusLink::Clock::time_point now {};
    TStatusLink link(port, 200ms, [&] { return now; });
    link.SendStatus(1, true, true, "d");
    ASSERT_FALSE(link.Connected());

    platform::TcpListener service(port);
    ASSERT_TRUE(service.Listening());
    // Too soon after the failed attempt: no attempt is made at all.
    now += 199ms;
    link.SendStatus(2, true, true, "d");
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(service.Accept(0), nullptr);

    now += 1ms;
    link.SendStatus(3, true, true, "d");
    ASSERT_TRUE(link.Connected());
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    ExpectRecord(ReceiveStatus(*connection), 3, true, true, "d");
}

TEST(StatusLink, CloseDropsTheConnection)
{
    platform::TcpListener service;
    TStatusLink link(service.Port(), 1ms);
    link.SendStatus(1, true, true, "x");
    ASSERT_TRUE(link.Connected());
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(ReceiveStatus(*connection).has_value());
    link.Close();
    EXPECT_FALSE(link.Connected());
    EXPECT_FALSE(ReceiveStatus(*connection, 2000).has_value()); // end of stream
}
