#pragma once
// The desktop's notification server on the test's session bus, for the
// window tests that check what the program tells the user.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include <string>
#include <vector>

#include "GuiSupport.h"
#include "platform/linux/GLibPtr.h"

namespace gui_test {

// The desktop's notification server, as far as the program can tell: it
// records what it is asked to show.
class NotificationServer {
public:
    struct Notice {
        std::string title, body, image;
    };

    NotificationServer()
    {
        static const char* const kXml =
            "<node><interface name='org.freedesktop.Notifications'>"
            "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
            "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
            "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
            "<arg type='u' direction='out'/></method>"
            "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
            "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
            "</interface></node>";
        bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
        info_ = g_dbus_node_info_new_for_xml(kXml, nullptr);
        static const GDBusInterfaceVTable vtable {&NotificationServer::Call, nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(bus_.get(), "/org/freedesktop/Notifications",
                                                    info_->interfaces[0], &vtable, this, nullptr, nullptr);
        name_ = g_bus_own_name_on_connection(
            bus_.get(), "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
            +[](GDBusConnection*, const gchar*, gpointer self) { static_cast<NotificationServer*>(self)->owned_ = true; },
            nullptr, this, nullptr);
        EXPECT_TRUE(PumpUntil([this] { return owned_; }));
    }
    ~NotificationServer()
    {
        g_bus_unown_name(name_);
        g_dbus_connection_unregister_object(bus_.get(), object_);
        g_dbus_node_info_unref(info_);
    }
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;

    std::vector<Notice> shown;

private:
    static void Call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                     GVariant* args, GDBusMethodInvocation* call, gpointer self)
    {
        auto& server = *static_cast<NotificationServer*>(self);
        if (std::string(method) == "Notify") {
            const gchar *title = nullptr, *body = nullptr;
            GVariant* hints = nullptr;
            g_variant_get(args, "(&su&s&s&sas@a{sv}i)", nullptr, nullptr, nullptr, &title, &body, nullptr, &hints,
                          nullptr);
            const gchar* image = nullptr;
            g_variant_lookup(hints, "image-path", "&s", &image);
            server.shown.push_back({title, body, image ? image : ""});
            g_variant_unref(hints);
            g_dbus_method_invocation_return_value(call, g_variant_new("(u)", static_cast<guint32>(server.shown.size())));
        } else if (std::string(method) == "GetCapabilities") {
            g_dbus_method_invocation_return_value(call, g_variant_new_parsed("(@as ['body'],)"));
        } else {
            g_dbus_method_invocation_return_value(call, nullptr);
        }
    }

    platform::linuxdesk::GObjectPtr<GDBusConnection> bus_;
    GDBusNodeInfo* info_ = nullptr;
    guint object_ = 0;
    guint name_ = 0;
    bool owned_ = false;
};

// A small file system of its own mounted on a folder for the length of a test.

} // namespace gui_test
