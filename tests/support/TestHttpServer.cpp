#include "support/TestHttpServer.h"

#include <chrono>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLen = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLen = socklen_t;
#endif

namespace testing_support {
namespace {

#ifdef _WIN32
using Sock = SOCKET;
constexpr int kSendFlags = 0;
void CloseSock(Sock s) { ::closesocket(s); }
struct WinsockScope {
    WinsockScope()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockScope() { ::WSACleanup(); }
};
#else
using Sock = int;
constexpr int kSendFlags = MSG_NOSIGNAL;
void CloseSock(Sock s) { ::close(s); }
struct WinsockScope {};
#endif

Sock ToSock(std::intptr_t s) { return static_cast<Sock>(s); }

WinsockScope& Winsock()
{
    static WinsockScope scope;
    return scope;
}

// True when s can be read within ms milliseconds.
bool Readable(Sock s, int ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv {ms / 1000, (ms % 1000) * 1000};
    return ::select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &tv) > 0;
}

bool SendAll(Sock s, const char* data, std::size_t size)
{
    while (size > 0) {
        const int n = ::send(s, data, static_cast<int>(size > 65536 ? 65536 : size), kSendFlags);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

std::uint16_t BoundPort(Sock s)
{
    sockaddr_in addr {};
    SocketLen len = sizeof(addr);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

TestHttpServer::TestHttpServer(std::uint16_t port)
{
    Winsock();
    const Sock s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = Loopback(port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(s, 16) != 0) {
        CloseSock(s);
        throw std::runtime_error("test HTTP server cannot listen");
    }
    listener_ = static_cast<std::intptr_t>(s);
    port_ = BoundPort(s);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    stop_ = true;
    acceptThread_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard guard(lock_);
        connections.swap(connections_);
    }
    for (auto& t : connections)
        t.join();
    CloseSock(ToSock(listener_));
}

std::uint16_t TestHttpServer::UnusedPort()
{
    Winsock();
    const Sock s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = Loopback(0);
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    const std::uint16_t port = BoundPort(s);
    CloseSock(s);
    return port;
}

void TestHttpServer::Serve(const std::string& path, TestResponse response)
{
    std::lock_guard guard(lock_);
    routes_[path] = std::move(response);
}

std::string TestHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int TestHttpServer::Requests(const std::string& path) const
{
    std::lock_guard guard(lock_);
    const auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second;
}

void TestHttpServer::AcceptLoop()
{
    const Sock listener = ToSock(listener_);
    while (!stop_) {
        if (!Readable(listener, 20))
            continue;
        const Sock client = ::accept(listener, nullptr, nullptr);
        if (client == static_cast<Sock>(-1))
            continue;
        std::lock_guard guard(lock_);
        const auto handle = static_cast<std::intptr_t>(client);
        connections_.emplace_back([this, handle] { Handle(handle); });
    }
}

void TestHttpServer::Handle(std::intptr_t socket)
{
    const Sock s = ToSock(socket);
    std::string request;
    char buf[4096];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        if (!Readable(s, 20))
            continue;
        const int n = ::recv(s, buf, sizeof(buf), 0);
        if (n <= 0)
            break;
        request.append(buf, static_cast<std::size_t>(n));
    }
    const auto sp1 = request.find(' ');
    const auto sp2 = request.find(' ', sp1 + 1);
    std::string path = (sp1 == std::string::npos || sp2 == std::string::npos)
        ? std::string() : request.substr(sp1 + 1, sp2 - sp1 - 1);
    path = path.substr(0, path.find('?'));

    TestResponse r;
    {
        std::lock_guard guard(lock_);
        ++requests_[path];
        const auto it = routes_.find(path);
        if (it != routes_.end())
            r = it->second;
        else
            r = TestResponse::Make(404, "no such test resource");
    }
    while (!r.answer && !stop_)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + Reason(r.status) + "\r\n"
        "Content-Type: " + r.contentType + "\r\nCache-Control: no-cache\r\nConnection: close\r\n";
    if (r.announceLength)
        head += "Content-Length: " + std::to_string(r.contentLength.value_or(r.body.size())) + "\r\n";
    head += r.extraHeaders + "\r\n";
    bool ok = SendAll(s, head.data(), head.size()) && SendAll(s, r.body.data(), r.body.size());
    const std::string filler(65536, 'f');
    for (std::uint64_t left = r.fillerBytes; ok && left > 0 && !stop_;) {
        const std::size_t n = left < filler.size() ? static_cast<std::size_t>(left) : filler.size();
        ok = SendAll(s, filler.data(), n);
        left -= n;
    }
    while (ok && !r.trickleChunk.empty() && !stop_ && !stopTrickle_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(r.trickleIntervalMs));
        ok = SendAll(s, r.trickleChunk.data(), r.trickleChunk.size());
    }
    while (ok && r.holdOpen && !stop_ && !stopTrickle_)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    CloseSock(s);
}

} // namespace testing_support
