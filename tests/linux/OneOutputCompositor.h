#pragma once
// A Wayland server of the test's own with one output, described exactly as
// the test asks (its turn, its modes and their flags), served on a thread to
// a client connected through a socket pair.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct wl_client;
struct wl_display;

namespace testing_support {

class OneOutputCompositor {
public:
    struct Mode {
        std::uint32_t flags; // WL_OUTPUT_MODE_CURRENT, _PREFERRED
        int width, height;
    };
    OneOutputCompositor(int transform, std::vector<Mode> modes, std::uint32_t version = 2);
    ~OneOutputCompositor();
    OneOutputCompositor(const OneOutputCompositor&) = delete;
    OneOutputCompositor& operator=(const OneOutputCompositor&) = delete;

    // The client's end of the connection; the caller owns it.
    int TakeClientSocket();

private:
    static void Bind(wl_client* client, void* data, std::uint32_t version, std::uint32_t id);
    void Serve();

    int transform_;
    std::vector<Mode> modes_;
    wl_display* display_ = nullptr;
    int clientSocket_ = -1;
    std::atomic<bool> stop_ {false};
    std::thread thread_;
};

} // namespace testing_support
