#pragma once
// Blocking TCP on the loopback address 127.0.0.1: the client end of the
// status link, and a small listener for the stand-in service and tests.
// Sends never raise SIGPIPE, and a send that cannot finish within
// SendTimeoutMs fails; a connect gives up after ConnectTimeoutMs.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

inline constexpr int SendTimeoutMs = 3000;
inline constexpr int ConnectTimeoutMs = 2000;

class TcpClient {
public:
    TcpClient();
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects to 127.0.0.1:port, closing any earlier connection first.
    bool Connect(std::uint16_t port);
    // Sends every byte; on any failure the connection is closed and false returned.
    bool SendAll(const void* data, std::size_t size);
    void Close();
    bool Connected() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One accepted connection.
class TcpConnection {
public:
    struct Impl;
    explicit TcpConnection(std::unique_ptr<Impl> impl);
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Reads up to size bytes, waiting at most timeoutMs (-1: no limit).
    // Returns the count read; 0 when the peer closed, the time ran out or
    // the connection failed (TimedOut() tells the second case apart).
    std::size_t Receive(void* data, std::size_t size, int timeoutMs = -1);
    bool TimedOut() const;

private:
    std::unique_ptr<Impl> impl_;
};

class TcpListener {
public:
    // Listens on 127.0.0.1:port; port 0 picks a free one (see Port()).
    explicit TcpListener(std::uint16_t port = 0);
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    bool Listening() const;
    std::uint16_t Port() const;
    // The next connection, or nullptr when none arrived within timeoutMs (-1: no limit).
    std::unique_ptr<TcpConnection> Accept(int timeoutMs = -1);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
