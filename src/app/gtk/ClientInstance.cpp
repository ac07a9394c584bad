#include "app/gtk/ClientInstance.h"

#include <chrono>
#include <string>
#include <thread>

#include "platform/linux/GLibPtr.h"

namespace app::gtk {

namespace {

using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GVariantPtr;

constexpr const char* kClosingSuffix = ".Closing";
// The worker's last pass ends in seconds, or the process is ended.
constexpr auto kClosingWaitLimit = std::chrono::seconds(30);
constexpr auto kClosingPoll = std::chrono::milliseconds(50);

// The application's bus when it holds its name there.
GDBusConnection* NamedBus(GApplication* app)
{
    if (g_application_get_flags(app) & G_APPLICATION_NON_UNIQUE)
        return nullptr;
    if (!g_application_get_is_registered(app) || g_application_get_is_remote(app))
        return nullptr;
    return g_application_get_dbus_connection(app);
}

// A synchronous call to the bus itself; the caller's main loop is not run.
GVariantPtr CallBus(GDBusConnection* bus, const char* method, GVariant* args)
{
    GError* raw = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", method, args, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &raw));
    const GErrorPtr error(raw);
    if (error)
        g_warning("The session bus refused %s: %s", method, error->message);
    return reply;
}

std::string ClosingName(GApplication* app)
{
    return std::string(g_application_get_application_id(app)) + kClosingSuffix;
}

} // namespace

void QuitClient(GApplication* app)
{
    LeaveClientName(app);
    g_application_quit(app);
}

void LeaveClientName(GApplication* app)
{
    GDBusConnection* bus = NamedBus(app);
    if (!bus)
        return;
    // Queued behind any other closing client, so the name stays held while
    // one of them still runs.
    CallBus(bus, "RequestName", g_variant_new("(su)", ClosingName(app).c_str(), 0u));
    CallBus(bus, "ReleaseName", g_variant_new("(s)", g_application_get_application_id(app)));
}

void WaitForClosingClient(GApplication* app)
{
    GDBusConnection* bus = NamedBus(app);
    if (!bus)
        return;
    const std::string closing = ClosingName(app);
    const auto deadline = std::chrono::steady_clock::now() + kClosingWaitLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        const GVariantPtr reply = CallBus(bus, "NameHasOwner", g_variant_new("(s)", closing.c_str()));
        gboolean owned = FALSE;
        if (reply)
            g_variant_get(reply.get(), "(b)", &owned);
        if (!owned)
            return;
        std::this_thread::sleep_for(kClosingPoll);
    }
    g_warning("An earlier Pictavo is still closing; starting anyway");
}

} // namespace app::gtk
