#include <sstream>

#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {
namespace {

constexpr int kCallTimeoutMs = 5000;
constexpr const char* kXfconfChannel = "xfce4-desktop";

GObjectPtr<GDBusConnection> SessionBus()
{
    GError* raw = nullptr;
    GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
    const GErrorPtr error(raw);
    return bus;
}

// Takes ownership of a floating `parameters`; null on any D-Bus error.
GVariantPtr Call(GDBusConnection* bus, const char* service, const char* object, const char* interface,
                 const char* method, GVariant* parameters, const char* replyType)
{
    GError* raw = nullptr;
    GVariantPtr reply(g_dbus_connection_call_sync(bus, service, object, interface, method, parameters,
                                                  G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                  kCallTimeoutMs, nullptr, &raw));
    const GErrorPtr error(raw);
    return reply;
}

GVariantPtr Xfconf(GDBusConnection* bus, const char* method, GVariant* parameters, const char* replyType)
{
    return Call(bus, "org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", method, parameters, replyType);
}

// Every ".../workspaceN" property folder that already names a picture: one
// per monitor and workspace, as xfdesktop created them.
std::vector<std::string> XfceBackdropFolders(GDBusConnection* bus)
{
    std::vector<std::string> folders;
    const GVariantPtr reply = Xfconf(bus, "GetAllProperties",
                                     g_variant_new("(ss)", kXfconfChannel, "/backdrop"), "(a{sv})");
    if (!reply)
        return folders;
    const GVariantPtr properties(g_variant_get_child_value(reply.get(), 0));
    GVariantIter iter;
    g_variant_iter_init(&iter, properties.get());
    const gchar* name = nullptr;
    GVariant* value = nullptr;
    const std::string_view suffix = "/last-image";
    while (g_variant_iter_next(&iter, "{&sv}", &name, &value)) {
        g_variant_unref(value);
        const std::string_view key(name);
        if (key.starts_with("/backdrop/screen0/") && key.ends_with(suffix))
            folders.emplace_back(key.substr(0, key.size() - suffix.size()));
    }
    return folders;
}

bool XfconfSet(GDBusConnection* bus, const std::string& property, GVariant* value)
{
    return Xfconf(bus, "SetProperty", g_variant_new("(ssv)", kXfconfChannel, property.c_str(), value), "()")
        != nullptr;
}

GVariantPtr XfconfGet(GDBusConnection* bus, const std::string& property)
{
    const GVariantPtr reply = Xfconf(bus, "GetProperty",
                                     g_variant_new("(ss)", kXfconfChannel, property.c_str()), "(v)");
    if (!reply)
        return nullptr;
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    return GVariantPtr(boxed);
}

bool XfceFolderHolds(GDBusConnection* bus, const std::string& folder, const std::string& path, int style)
{
    const GVariantPtr image = XfconfGet(bus, folder + "/last-image");
    const GVariantPtr imageStyle = XfconfGet(bus, folder + "/image-style");
    return image && g_variant_is_of_type(image.get(), G_VARIANT_TYPE_STRING)
        && path == g_variant_get_string(image.get(), nullptr)
        && imageStyle && g_variant_is_of_type(imageStyle.get(), G_VARIANT_TYPE_INT32)
        && g_variant_get_int32(imageStyle.get()) == style;
}

} // namespace

bool SetXfceWallpaper(const std::string& path, WallpaperStyle style)
{
    const GObjectPtr<GDBusConnection> bus = SessionBus();
    if (!bus)
        return false;
    const std::vector<std::string> folders = XfceBackdropFolders(bus.get());
    if (folders.empty())
        return false;
    const int imageStyle = XfceImageStyle(style);
    for (const std::string& folder : folders) {
        if (!XfconfSet(bus.get(), folder + "/image-style", g_variant_new_int32(imageStyle))
            || !XfconfSet(bus.get(), folder + "/last-image", g_variant_new_string(path.c_str()))
            || !XfceFolderHolds(bus.get(), folder, path, imageStyle))
            return false;
    }
    return true;
}

bool SetPlasmaWallpaper(const std::string& path, WallpaperStyle style)
{
    const std::string uri = FileUri(path);
    const GObjectPtr<GDBusConnection> bus = SessionBus();
    if (uri.empty() || !bus)
        return false;
    const std::string script = PlasmaScript(uri, PlasmaFillMode(style));
    const GVariantPtr reply = Call(bus.get(), "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell",
                                   "evaluateScript", g_variant_new("(s)", script.c_str()), "(s)");
    if (!reply)
        return false;
    // One line per desktop, each naming the picture it now holds.
    const gchar* printed = nullptr;
    g_variant_get(reply.get(), "(&s)", &printed);
    std::istringstream lines(printed);
    std::string line;
    int desktops = 0;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        if (line != uri)
            return false;
        ++desktops;
    }
    return desktops > 0;
}

} // namespace platform::linuxdesk
