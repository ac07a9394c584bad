#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <utility>

namespace platform {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) noexcept : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int fd = -1) noexcept
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int get() const noexcept { return fd_; }
    int release() noexcept { return std::exchange(fd_, -1); }

private:
    int fd_;
};

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// poll() that resumes after signals; timeoutMs -1 waits without limit.
int PollOne(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r;
}

bool SetBlocking(int fd, bool blocking)
{
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0)
        return false;
    return ::fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

// Lets a blocking send wait until the deadline at most; false once it has passed.
bool SetSendTimeout(int fd, std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    const timeval timeout{static_cast<time_t>(left.count() / 1000000), static_cast<suseconds_t>(left.count() % 1000000)};
    return ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
}

} // namespace

struct TcpClient::Impl {
    Fd fd;
};

TcpClient::TcpClient() : impl_(std::make_unique<Impl>()) {}
TcpClient::~TcpClient() = default;

bool TcpClient::Connect(std::uint16_t port)
{
    Close();
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || !SetBlocking(fd.get(), false))
        return false;
    const sockaddr_in addr = Loopback(port);
    // A full backlog would hold a blocking connect for minutes: wait a bounded time.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS || PollOne(fd.get(), POLLOUT, ConnectTimeoutMs) <= 0)
            return false;
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0)
            return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SendTimeoutMs);
    if (!SetBlocking(fd.get(), true) || !SetSendTimeout(fd.get(), deadline))
        return false;
    impl_->fd.reset(fd.release());
    return true;
}

bool TcpClient::SendAll(const void* data, std::size_t size)
{
    if (impl_->fd.get() < 0)
        return false;
    // The time limit covers the whole record, not each partial send.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SendTimeoutMs);
    const auto* p = static_cast<const char*>(data);
    bool first = true;
    while (size > 0) {
        if (!first && !SetSendTimeout(impl_->fd.get(), deadline)) {
            Close();
            return false;
        }
        first = false;
        // MSG_NOSIGNAL: a connection the peer closed gives EPIPE, not SIGPIPE.
        const ssize_t n = ::send(impl_->fd.get(), p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Also the send timeout (EAGAIN): a half-sent record would break
            // the framing, so the connection goes.
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
    impl_->fd.reset();
}

bool TcpClient::Connected() const
{
    return impl_->fd.get() >= 0;
}

struct TcpConnection::Impl {
    Fd fd;
    bool timedOut = false;
};

TcpConnection::TcpConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TcpConnection::~TcpConnection() = default;

std::size_t TcpConnection::Receive(void* data, std::size_t size, int timeoutMs)
{
    impl_->timedOut = false;
    const int ready = PollOne(impl_->fd.get(), POLLIN, timeoutMs);
    if (ready == 0)
        impl_->timedOut = true;
    if (ready <= 0)
        return 0;
    ssize_t n;
    do {
        n = ::recv(impl_->fd.get(), data, size, 0);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool TcpConnection::TimedOut() const
{
    return impl_->timedOut;
}

struct TcpListener::Impl {
    Fd fd;
    std::uint16_t port = 0;
};

TcpListener::TcpListener(std::uint16_t port) : impl_(std::make_unique<Impl>())
{
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return;
    const int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr = Loopback(port);
    socklen_t len = sizeof addr;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd.get(), 16) != 0 || ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return;
    impl_->port = ntohs(addr.sin_port);
    impl_->fd.reset(fd.release());
}

TcpListener::~TcpListener() = default;

bool TcpListener::Listening() const
{
    return impl_->fd.get() >= 0;
}

std::uint16_t TcpListener::Port() const
{
    return impl_->port;
}

std::unique_ptr<TcpConnection> TcpListener::Accept(int timeoutMs)
{
    if (!Listening() || PollOne(impl_->fd.get(), POLLIN, timeoutMs) <= 0)
        return nullptr;
    const int c = ::accept4(impl_->fd.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0)
        return nullptr;
    auto impl = std::make_unique<TcpConnection::Impl>();
    impl->fd.reset(c);
    return std::make_unique<TcpConnection>(std::move(impl));
}

} // namespace platform
