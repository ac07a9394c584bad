#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/LinuxScreen.h"

namespace platform::linuxscreen {

std::optional<std::size_t> MatchOutput(const std::vector<WaylandOutput>& outputs, const MonitorFacts& monitor)
{
    const auto at = [&](const WaylandOutput& o) { return o.x == monitor.x && o.y == monitor.y; };
    const auto named = [&](const WaylandOutput& o) { return o.make == monitor.make && o.model == monitor.model; };
    // Mirrored outputs share a place; only then do the names decide.
    auto it = std::find_if(outputs.begin(), outputs.end(), [&](const WaylandOutput& o) { return at(o) && named(o); });
    if (it == outputs.end())
        it = std::find_if(outputs.begin(), outputs.end(), at);
    if (it != outputs.end())
        return static_cast<std::size_t>(it - outputs.begin());
    if (monitor.index < outputs.size())
        return monitor.index;
    return std::nullopt;
}

struct WaylandOutputs::Connection {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_display* wrapper = nullptr; // the display, with our queue for what it creates
    wl_registry* registry = nullptr;

    ~Connection()
    {
        if (registry)
            wl_registry_destroy(registry);
        if (wrapper)
            wl_proxy_wrapper_destroy(wrapper);
        if (queue)
            wl_event_queue_destroy(queue);
    }
};

struct WaylandOutputs::Output {
    std::uint32_t name = 0;
    wl_output* proxy = nullptr;
    std::uint32_t version = 0;
    WaylandOutput pending;
    std::int32_t pendingTransform = WL_OUTPUT_TRANSFORM_NORMAL;
    WaylandOutput current;

    ~Output() { wl_output_destroy(proxy); }

    // Up to version 1 every event stands alone; later ones end with "done".
    void Commit()
    {
        current = pending;
        // A panel turned a quarter shows its mode the other way round.
        if (pendingTransform & 1)
            std::swap(current.size.width, current.size.height);
    }

    static void Geometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char* make,
                         const char* model, int32_t transform)
    {
        auto* o = static_cast<Output*>(data);
        o->pending.x = x;
        o->pending.y = y;
        o->pending.make = make ? make : "";
        o->pending.model = model ? model : "";
        o->pendingTransform = transform;
        if (o->version < WL_OUTPUT_DONE_SINCE_VERSION)
            o->Commit();
    }
    static void Mode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
    {
        auto* o = static_cast<Output*>(data);
        if (!(flags & WL_OUTPUT_MODE_CURRENT))
            return;
        o->pending.size = {width, height};
        if (o->version < WL_OUTPUT_DONE_SINCE_VERSION)
            o->Commit();
    }
    static void Done(void* data, wl_output*) { static_cast<Output*>(data)->Commit(); }
    // The scale is the compositor's advice for drawing, not the mode's size.
    static void Scale(void*, wl_output*, int32_t) {}
    static void Name(void*, wl_output*, const char*) {}

    static constexpr wl_output_listener kListener {Geometry, Mode, Done, Scale, Name, Name};
};

struct WaylandOutputs::Registry {
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        if (std::strcmp(interface, wl_output_interface.name) != 0)
            return;
        auto* self = static_cast<WaylandOutputs*>(data);
        auto output = std::make_unique<Output>();
        output->name = name;
        // Version 2 has all we need (mode and "done"); newer events are never sent then.
        output->version = std::min<uint32_t>(version, 2);
        output->proxy = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, output->version));
        wl_output_add_listener(output->proxy, &Output::kListener, output.get());
        self->Outputs_.push_back(std::move(output));
        self->Added_ = true;
    }
    static void GlobalRemove(void* data, wl_registry*, uint32_t name)
    {
        auto* self = static_cast<WaylandOutputs*>(data);
        std::erase_if(self->Outputs_, [&](const std::unique_ptr<Output>& o) { return o->name == name; });
    }
    static constexpr wl_registry_listener kListener {Global, GlobalRemove};
};

WaylandOutputs::WaylandOutputs(wl_display* display) : Connection_(std::make_unique<Connection>())
{
    Connection_->display = display;
    Connection_->queue = wl_display_create_queue(display);
    Connection_->wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(Connection_->wrapper), Connection_->queue);
    // Created through the wrapper, the registry and the outputs bound from it
    // report to our queue.
    Connection_->registry = wl_display_get_registry(Connection_->wrapper);
    wl_registry_add_listener(Connection_->registry, &Registry::kListener, this);
}

WaylandOutputs::~WaylandOutputs() = default;

std::vector<WaylandOutput> WaylandOutputs::Read()
{
    // Outputs bound in one round trip describe themselves in the next.
    do {
        Added_ = false;
        if (wl_display_roundtrip_queue(Connection_->display, Connection_->queue) < 0)
            break;
    } while (Added_);
    std::vector<WaylandOutput> outputs;
    for (const auto& o : Outputs_)
        if (o->current.size.width > 0 && o->current.size.height > 0)
            outputs.push_back(o->current);
    return outputs;
}

} // namespace platform::linuxscreen
