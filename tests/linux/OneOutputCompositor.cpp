#include "OneOutputCompositor.h"

#include <sys/socket.h>
#include <unistd.h>
#include <wayland-server.h>

#include <utility>

namespace testing_support {

OneOutputCompositor::OneOutputCompositor(int transform, std::vector<Mode> modes, std::uint32_t version)
    : transform_(transform), modes_(std::move(modes)), display_(wl_display_create())
{
    wl_global_create(display_, &wl_output_interface, static_cast<int>(version), this, &Bind);
    int ends[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
        wl_client_create(display_, ends[0]);
        clientSocket_ = ends[1];
    }
    thread_ = std::thread([this] { Serve(); });
}

OneOutputCompositor::~OneOutputCompositor()
{
    stop_ = true;
    thread_.join();
    if (clientSocket_ >= 0)
        close(clientSocket_);
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
}

int OneOutputCompositor::TakeClientSocket() { return std::exchange(clientSocket_, -1); }

void OneOutputCompositor::Serve()
{
    wl_event_loop* loop = wl_display_get_event_loop(display_);
    while (!stop_) {
        wl_event_loop_dispatch(loop, 20);
        wl_display_flush_clients(display_);
    }
}

void OneOutputCompositor::Bind(wl_client* client, void* data, std::uint32_t version, std::uint32_t id)
{
    const auto* self = static_cast<const OneOutputCompositor*>(data);
    wl_resource* output = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(output, nullptr, nullptr, nullptr);
    wl_output_send_geometry(output, 0, 0, 600, 340, WL_OUTPUT_SUBPIXEL_UNKNOWN, "Test", "Panel", self->transform_);
    for (const Mode& m : self->modes_)
        wl_output_send_mode(output, m.flags, m.width, m.height, 60000);
    if (version >= WL_OUTPUT_DONE_SINCE_VERSION)
        wl_output_send_done(output);
}

} // namespace testing_support
