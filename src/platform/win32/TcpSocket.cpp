#include "platform/TcpSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <utility>

namespace platform {
namespace {

// Winsock is started once, on first use, and cleaned up at exit.
struct WinsockGuard {
    bool ok = false;
    WinsockGuard()
    {
        WSADATA data;
        ok = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockGuard()
    {
        if (ok)
            ::WSACleanup();
    }
    WinsockGuard(const WinsockGuard&) = delete;
    WinsockGuard& operator=(const WinsockGuard&) = delete;
};

bool WinsockReady()
{
    static WinsockGuard guard;
    return guard.ok;
}

class Socket {
public:
    explicit Socket(SOCKET s = INVALID_SOCKET) noexcept : s_(s) {}
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    void reset(SOCKET s = INVALID_SOCKET) noexcept
    {
        if (s_ != INVALID_SOCKET)
            ::closesocket(s_);
        s_ = s;
    }
    SOCKET get() const noexcept { return s_; }
    SOCKET release() noexcept { return std::exchange(s_, INVALID_SOCKET); }

private:
    SOCKET s_;
};

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = ::htons(port);
    a.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    return a;
}

// select() on one socket; timeoutMs -1 waits without limit. Positive when ready.
int WaitOne(SOCKET s, bool forWrite, int timeoutMs)
{
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed,
                           timeoutMs < 0 ? nullptr : &tv);
    if (r > 0 && !FD_ISSET(s, &ready))
        return -1;
    return r;
}

bool SetBlocking(SOCKET s, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking) == 0;
}

// Lets a blocking send wait until the deadline at most; false once it has passed.
bool SetSendTimeout(SOCKET s, std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    const DWORD timeout = static_cast<DWORD>(left.count());
    return ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) == 0;
}

} // namespace

struct TcpClient::Impl {
    Socket s;
};

TcpClient::TcpClient() : impl_(std::make_unique<Impl>()) {}
TcpClient::~TcpClient() = default;

bool TcpClient::Connect(std::uint16_t port)
{
    Close();
    if (!WinsockReady())
        return false;
    Socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s.get() == INVALID_SOCKET || !SetBlocking(s.get(), false))
        return false;
    const sockaddr_in addr = Loopback(port);
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK || WaitOne(s.get(), true, ConnectTimeoutMs) <= 0)
            return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SendTimeoutMs);
    if (!SetBlocking(s.get(), true) || !SetSendTimeout(s.get(), deadline))
        return false;
    impl_->s.reset(s.release());
    return true;
}

bool TcpClient::SendAll(const void* data, std::size_t size)
{
    if (impl_->s.get() == INVALID_SOCKET)
        return false;
    // The time limit covers the whole record, not each partial send.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SendTimeoutMs);
    const auto* p = static_cast<const char*>(data);
    bool first = true;
    while (size > 0) {
        if (!first && !SetSendTimeout(impl_->s.get(), deadline)) {
            Close();
            return false;
        }
        first = false;
        const int n = ::send(impl_->s.get(), p, static_cast<int>(size), 0);
        if (n <= 0) {
            // A half-sent record would break the framing: the connection goes.
            Close();
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void TcpClient::Close()
{
    impl_->s.reset();
}

bool TcpClient::Connected() const
{
    return impl_->s.get() != INVALID_SOCKET;
}

struct TcpConnection::Impl {
    Socket s;
    bool timedOut = false;
};

TcpConnection::TcpConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TcpConnection::~TcpConnection() = default;

std::size_t TcpConnection::Receive(void* data, std::size_t size, int timeoutMs)
{
    impl_->timedOut = false;
    const int ready = WaitOne(impl_->s.get(), false, timeoutMs);
    if (ready == 0)
        impl_->timedOut = true;
    if (ready <= 0)
        return 0;
    const int n = ::recv(impl_->s.get(), static_cast<char*>(data), static_cast<int>(size), 0);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool TcpConnection::TimedOut() const
{
    return impl_->timedOut;
}

struct TcpListener::Impl {
    Socket s;
    std::uint16_t port = 0;
};

TcpListener::TcpListener(std::uint16_t port) : impl_(std::make_unique<Impl>())
{
    if (!WinsockReady())
        return;
    Socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s.get() == INVALID_SOCKET)
        return;
    sockaddr_in addr = Loopback(port);
    int len = sizeof addr;
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(s.get(), 16) != 0 || ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return;
    impl_->port = ::ntohs(addr.sin_port);
    impl_->s.reset(s.release());
}

TcpListener::~TcpListener() = default;

bool TcpListener::Listening() const
{
    return impl_->s.get() != INVALID_SOCKET;
}

std::uint16_t TcpListener::Port() const
{
    return impl_->port;
}

std::unique_ptr<TcpConnection> TcpListener::Accept(int timeoutMs)
{
    if (!Listening() || WaitOne(impl_->s.get(), false, timeoutMs) <= 0)
        return nullptr;
    const SOCKET c = ::accept(impl_->s.get(), nullptr, nullptr);
    if (c == INVALID_SOCKET)
        return nullptr;
    auto impl = std::make_unique<TcpConnection::Impl>();
    impl->s.reset(c);
    return std::make_unique<TcpConnection>(std::move(impl));
}

} // namespace platform
