#pragma once
// Where the Linux edition's screen size comes from. The main thread reads the
// display server its windows use and publishes the primary monitor's real
// pixels; PrimaryScreenSize() hands the last size published to any thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Screen.h"

struct _XDisplay;
struct wl_display;

namespace platform::linuxscreen {

void PublishPrimaryScreenSize(ScreenSize size);

// RandR's primary monitor, else the first lit one, else the whole X screen.
ScreenSize X11PrimaryScreenSize(_XDisplay* display);

// A Wayland output as the compositor describes it.
struct WaylandOutput {
    int x = 0, y = 0; // its place in the compositor's space
    std::string make, model;
    ScreenSize size;  // its current mode in real pixels, turned as it is shown
};

// What the toolkit tells of a monitor: its place, its names, and where it
// stands in the toolkit's list of monitors.
struct MonitorFacts {
    int x = 0, y = 0;
    std::string make, model;
    std::size_t index = 0;
};

// The output the monitor stands for: the one at its place with its names,
// else the one at its place, else the one at its index in the list.
std::optional<std::size_t> MatchOutput(const std::vector<WaylandOutput>& outputs, const MonitorFacts& monitor);

// Every output of a Wayland connection, heard on an event queue of our own so
// the toolkit's own listeners and queue are left alone.
class WaylandOutputs {
public:
    explicit WaylandOutputs(wl_display* display);
    ~WaylandOutputs();
    WaylandOutputs(const WaylandOutputs&) = delete;
    WaylandOutputs& operator=(const WaylandOutputs&) = delete;

    // The outputs as the compositor has them now, those without a mode left
    // out. Round trips on our queue: call it on the thread that dispatches
    // the connection, outside its event handlers.
    std::vector<WaylandOutput> Read();

private:
    struct Output;
    struct Connection;
    struct Registry;

    std::unique_ptr<Connection> Connection_;
    std::vector<std::unique_ptr<Output>> Outputs_; // after Connection_: they go first
    bool Added_ = false; // an output was bound since the last round trip
};

} // namespace platform::linuxscreen
