#pragma once
// A small HTTP/1.1 server for download tests: 127.0.0.1, an ephemeral port,
// its own threads, one response per path, "Connection: close" always.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

struct TestResponse {
    int status = 200;
    std::string body;                           // sent right after the headers
    std::string contentType = "application/octet-stream";
    bool answer = true; // false: take the request and never answer, like a hung server
    std::optional<std::uint64_t> contentLength; // announced length; body.size() when unset
    bool announceLength = true;                 // false: no Content-Length, the body ends at close
    std::string extraHeaders;                   // whole lines, each ending "\r\n"
    // After the body: this chunk every trickleIntervalMs until StopTrickling,
    // the client leaves or the server ends.
    std::string trickleChunk;
    unsigned trickleIntervalMs = 50;
    // After the body: this many filler bytes, as fast as the client takes them.
    std::uint64_t fillerBytes = 0;
    // After everything else: keep the connection open, sending nothing, until
    // StopTrickling or the server ends (a stalled server).
    bool holdOpen = false;

    static TestResponse Make(int status, std::string body)
    {
        TestResponse r;
        r.status = status;
        r.body = std::move(body);
        return r;
    }
    static TestResponse Page(std::string html)
    {
        TestResponse r = Make(200, std::move(html));
        r.contentType = "text/html; charset=utf-8";
        return r;
    }
    static TestResponse Redirect(const std::string& location)
    {
        TestResponse r = Make(302, "moved");
        r.extraHeaders = "Location: " + location + "\r\n";
        return r;
    }
};

class TestHttpServer {
public:
    // Port 0 picks a free one; another, a port a test chose in advance.
    explicit TestHttpServer(std::uint16_t port = 0);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void Serve(const std::string& path, TestResponse response);
    std::string Url(const std::string& path) const; // path starts with "/"
    std::uint16_t Port() const { return port_; }
    int Requests(const std::string& path) const;
    void StopTrickling() { stopTrickle_ = true; }

    // A loopback port nobody listens on (bound once, then released).
    static std::uint16_t UnusedPort();

private:
    void AcceptLoop();
    void Handle(std::intptr_t socket);

    std::intptr_t listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_ {false};
    std::atomic<bool> stopTrickle_ {false};
    mutable std::mutex lock_;
    std::map<std::string, TestResponse> routes_;
    std::map<std::string, int> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptThread_;
};

} // namespace testing_support
