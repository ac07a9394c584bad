#include "app/gtk/WallpaperFolder.h"

#include <gio/gio.h>

#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "platform/linux/GLibPtr.h"

namespace app::gtk {
namespace {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;
using platform::linuxdesk::GVariantPtr;

void LaunchDefault(const char* uri)
{
    GError* raw = nullptr;
    if (!g_app_info_launch_default_for_uri(uri, nullptr, &raw)) {
        const GErrorPtr error(raw);
        platform::DebugOutput(std::string("The wallpaper folder could not be opened: ") +
                              (error ? error->message : uri));
    }
}

void Answered(GObject* bus, GAsyncResult* result, gpointer data)
{
    const GCharPtr uri(static_cast<gchar*>(data));
    GError* raw = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &raw));
    const GErrorPtr error(raw);
    if (!reply)
        LaunchDefault(uri.get());
}

} // namespace

bool OpenWallpaperFolder(const std::string& folder)
{
    if (!platform::ForceDirectories(folder))
        return false;
    GCharPtr uri(g_filename_to_uri(folder.c_str(), nullptr, nullptr));
    if (!uri)
        return false;
    // The file manager's own interface comes first: it opens the folder in
    // the running file manager, where xdg-open may pick any program that
    // claims folders.
    const GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus) {
        LaunchDefault(uri.get());
        return true;
    }
    const gchar* uris[] = {uri.get(), nullptr};
    g_dbus_connection_call(bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", "ShowFolders", g_variant_new("(^ass)", uris, ""),
                           nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, Answered, uri.release());
    return true;
}

} // namespace app::gtk
