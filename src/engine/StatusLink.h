#pragma once
// The one-way link that keeps the companion service informed: ClientStatus
// records over one TCP connection to 127.0.0.1.
//
// No lock of its own: the work thread owns the link and every caller of
// SendStatus (the work thread's pass, the settings dialog) holds the worker
// lock, which serialises the connect, the connected test and the send.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/uClientConst.h"
#include "platform/TcpSocket.h"

class TStatusLink {
public:
    using Clock = std::chrono::steady_clock;

    // minConnectInterval: while the service is unreachable, connection
    // attempts come no more often than this, by the clock now (tests set it).
    explicit TStatusLink(std::uint16_t port = StatusPort,
                         std::chrono::milliseconds minConnectInterval = std::chrono::seconds(1),
                         std::function<Clock::time_point()> now = Clock::now);

    // Connects if needed (failures are dropped; an attempt too soon after a
    // failed one is skipped) and sends the current record when connected.
    // The version is read from the own executable on every call; an error of
    // the version reader propagates and nothing is sent. A failed send closes
    // the connection quietly; the next call reconnects and sends the then
    // current record, so nothing is queued.
    void SendStatus(std::int64_t nextChangeTime, bool autoUpdate, bool autoRun, const std::string& configDir);

    bool Connected() const { return Socket_.Connected(); }
    void Close() { Socket_.Close(); }

private:
    void TryConnect();

    platform::TcpClient Socket_;
    std::uint16_t Port_;
    Clock::duration MinConnectInterval_;
    std::function<Clock::time_point()> Now_;
    std::optional<Clock::time_point> LastFailedConnect_;
};
