// The tray icon as a StatusNotifier host sees it: the test stands in for the
// host's watcher on the session bus, reads the icon and its menu over D-Bus
// and activates the items the way a panel does when they are clicked.
#include <gtest/gtest.h>

#include <gio/gio.h>
#include <gtk/gtk.h>
#include <gdk/gdkx.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GuiSupport.h"
#include "NotificationServer.h"
#include "app/gtk/TrayIcon.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/ChildProcess.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"

using namespace gui_test;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GVariantPtr;
using testing_support::ChildProcess;
using testing_support::HelperPath;

namespace {

constexpr const char* kWatcherXml = R"xml(
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
  </interface>
</node>)xml";

struct NodeInfoUnref {
    void operator()(GDBusNodeInfo* n) const noexcept { g_dbus_node_info_unref(n); }
};

// The watcher a panel runs: it takes the items' registrations.
class FakeWatcher {
public:
    FakeWatcher() : node_(g_dbus_node_info_new_for_xml(kWatcherXml, nullptr))
    {
        bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
        static const GDBusInterfaceVTable vtable {Call, GetProperty, nullptr, {}};
        object_ = g_dbus_connection_register_object(bus_.get(), "/StatusNotifierWatcher", node_->interfaces[0],
                                                    &vtable, this, nullptr, nullptr);
        owner_ = g_bus_own_name_on_connection(
            bus_.get(), "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE,
            +[](GDBusConnection*, const gchar*, gpointer self) { static_cast<FakeWatcher*>(self)->owned_ = true; },
            nullptr, this, nullptr);
        PumpUntil([this] { return owned_; });
    }
    ~FakeWatcher()
    {
        g_bus_unown_name(owner_);
        g_dbus_connection_unregister_object(bus_.get(), object_);
    }

    bool Owned() const { return owned_; }
    GDBusConnection* Bus() const { return bus_.get(); }
    // Bus name and object path of the items registered so far.
    const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }

private:
    static void Call(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self)
    {
        const gchar* service = nullptr;
        g_variant_get(parameters, "(&s)", &service);
        if (g_str_equal(method, "RegisterStatusNotifierItem")) {
            // An item names either its object path (on its own bus name) or a bus name.
            const bool path = service[0] == '/';
            static_cast<FakeWatcher*>(self)->items_.emplace_back(path ? sender : service,
                                                                 path ? service : "/StatusNotifierItem");
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }
    static GVariant* GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                                 GError**, gpointer)
    {
        if (g_str_equal(name, "IsStatusNotifierHostRegistered"))
            return g_variant_new_boolean(TRUE);
        if (g_str_equal(name, "ProtocolVersion"))
            return g_variant_new_int32(0);
        return g_variant_new_strv(nullptr, 0);
    }

    std::unique_ptr<GDBusNodeInfo, NodeInfoUnref> node_;
    platform::linuxdesk::GObjectPtr<GDBusConnection> bus_;
    guint object_ = 0;
    guint owner_ = 0;
    bool owned_ = false;
    std::vector<std::pair<std::string, std::string>> items_;
};

constexpr const char* kFileManagerXml = R"xml(
<node>
  <interface name="org.freedesktop.FileManager1">
    <method name="ShowFolders">
      <arg name="URIs" type="as" direction="in"/><arg name="StartupId" type="s" direction="in"/>
    </method>
  </interface>
</node>)xml";

// The desktop's file manager as far as the client sees it: the folders it
// was asked to show.
class FakeFileManager {
public:
    explicit FakeFileManager(GDBusConnection* bus) : node_(g_dbus_node_info_new_for_xml(kFileManagerXml, nullptr))
    {
        bus_ = bus;
        static const GDBusInterfaceVTable vtable {Call, nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(bus_, "/org/freedesktop/FileManager1", node_->interfaces[0],
                                                    &vtable, this, nullptr, nullptr);
        owner_ = g_bus_own_name_on_connection(
            bus_, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
            +[](GDBusConnection*, const gchar*, gpointer self) { static_cast<FakeFileManager*>(self)->owned_ = true; },
            nullptr, this, nullptr);
        PumpUntil([this] { return owned_; });
    }
    ~FakeFileManager()
    {
        g_bus_unown_name(owner_);
        g_dbus_connection_unregister_object(bus_, object_);
    }
    bool Owned() const { return owned_; }
    const std::vector<std::string>& Shown() const { return shown_; }

private:
    static void Call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                     GDBusMethodInvocation* invocation, gpointer self)
    {
        GVariantIter* uris = nullptr;
        const gchar* startup = nullptr;
        g_variant_get(parameters, "(as&s)", &uris, &startup);
        const gchar* uri = nullptr;
        while (g_variant_iter_next(uris, "&s", &uri))
            static_cast<FakeFileManager*>(self)->shown_.emplace_back(uri);
        g_variant_iter_free(uris);
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    std::unique_ptr<GDBusNodeInfo, NodeInfoUnref> node_;
    GDBusConnection* bus_ = nullptr;
    guint object_ = 0;
    guint owner_ = 0;
    bool owned_ = false;
    std::vector<std::string> shown_;
};

class TrayMenu : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitGtk(); }

    void SetUp() override
    {
        UseLocale(true);
        setenv("XDG_CONFIG_HOME", (dir_.path() + "xdg").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_.path() + "cache").c_str(), 1);
        platform::ForceDirectories(dir_.path() + "cache");
        setenv("PICTAVO_STATUS_PORT", std::to_string(testing_support::UnusedPort()).c_str(), 1);
        setenv("PICTAVO_PORTAL_URL", ("http://127.0.0.1:" + std::to_string(testing_support::UnusedPort()) + "/").c_str(), 1);
        ASSERT_TRUE(watcher_.Owned());
    }

    GVariantPtr CallItem(const std::string& path, const char* interface, const char* method, GVariant* args)
    {
        GError* raw = nullptr;
        GVariantPtr reply(g_dbus_connection_call_sync(watcher_.Bus(), item_.c_str(), path.c_str(), interface, method,
                                                      args, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &raw));
        const GErrorPtr error(raw);
        EXPECT_TRUE(reply) << method << ": " << (error ? error->message : "");
        return reply;
    }

    std::string ItemProperty(const char* name)
    {
        const GVariantPtr reply = CallItem(itemPath_, "org.freedesktop.DBus.Properties", "Get",
                                           g_variant_new("(ss)", "org.kde.StatusNotifierItem", name));
        if (!reply)
            return {};
        GVariant* boxed = nullptr;
        g_variant_get(reply.get(), "(v)", &boxed);
        const GVariantPtr value(boxed);
        return g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING) ||
                       g_variant_is_of_type(value.get(), G_VARIANT_TYPE_OBJECT_PATH)
                   ? g_variant_get_string(value.get(), nullptr)
                   : std::string();
    }

    // The visible menu items, label and id, in order.
    std::vector<std::pair<std::string, int>> MenuItems()
    {
        std::vector<std::pair<std::string, int>> items;
        const GVariantPtr reply = CallItem(menuPath_, "com.canonical.dbusmenu", "GetLayout",
                                           g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
        if (!reply)
            return items;
        guint revision = 0;
        GVariant* root = nullptr;
        g_variant_get(reply.get(), "(u@(ia{sv}av))", &revision, &root);
        const GVariantPtr layout(root);
        GVariant* children = g_variant_get_child_value(layout.get(), 2);
        const GVariantPtr owned(children);
        for (gsize i = 0; i < g_variant_n_children(children); ++i) {
            const GVariantPtr boxed(g_variant_get_child_value(children, i));
            const GVariantPtr child(g_variant_get_variant(boxed.get()));
            gint id = 0;
            GVariant* props = nullptr;
            g_variant_get_child(child.get(), 0, "i", &id);
            props = g_variant_get_child_value(child.get(), 1);
            const GVariantPtr ownedProps(props);
            const gchar* label = nullptr;
            gboolean visible = TRUE;
            g_variant_lookup(props, "visible", "b", &visible);
            if (g_variant_lookup(props, "label", "&s", &label) && visible)
                items.emplace_back(label, id);
        }
        return items;
    }

    void Click(int id)
    {
        CallItem(menuPath_, "com.canonical.dbusmenu", "Event",
                 g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0u));
    }

    // Waits for the program's item to register and finds its menu.
    bool Connect()
    {
        if (!PumpUntil([this] { return !watcher_.Items().empty(); }, 10000))
            return false;
        item_ = watcher_.Items().front().first;
        itemPath_ = watcher_.Items().front().second;
        menuPath_ = ItemProperty("Menu");
        return !menuPath_.empty();
    }

    testing_support::TempDir dir_;
    FakeWatcher watcher_;
    std::string item_, itemPath_, menuPath_;
};

} // namespace

TEST_F(TrayMenu, ItemsShowOpenTheSettingsAndExit)
{
    ChildProcess client({HelperPath("pictavo")});
    ASSERT_TRUE(Connect());
    EXPECT_EQ(ItemProperty("Title"), "Pictavo");
    EXPECT_EQ(ItemProperty("Status"), "Active");
    EXPECT_EQ(ItemProperty("IconName"), "pictavo");
    const std::string theme = ItemProperty("IconThemePath");
    EXPECT_TRUE(platform::FileExists(theme + "/hicolor/16x16/apps/pictavo.png")) << theme;

    const auto items = MenuItems();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].first, "显示");
    EXPECT_EQ(items[1].first, "下一张壁纸");
    EXPECT_EQ(items[2].first, "打开壁纸文件夹");
    EXPECT_EQ(items[3].first, "设置");
    EXPECT_EQ(items[4].first, "退出");

    ASSERT_TRUE(WaitForViewable("Pictavo", 1));
    const TopLevel w = FindWindows("Pictavo").front();
    // Another window over it: "Show" brings it forward instead of hiding it.
    const ui::gtk::TopLevelPtr cover(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_decorated(GTK_WINDOW(cover.get()), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(cover.get()), w.width, w.height);
    gtk_window_move(GTK_WINDOW(cover.get()), w.x, w.y);
    gtk_widget_set_app_paintable(cover.get(), TRUE);
    g_signal_connect(cover.get(), "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) {
                         cairo_set_source_rgb(cr, 1, 0, 0);
                         cairo_paint(cr);
                         return TRUE;
                     }),
                     nullptr);
    gtk_widget_show(cover.get());
    const auto titleStrip = [&] { return PixelAt(Screenshot().get(), w.x + 400, w.y + 13); };
    ASSERT_TRUE(PumpUntil([&] { return titleStrip() == Rgb {255, 0, 0}; }));
    Click(items[0].second);
    EXPECT_TRUE(PumpUntil([&] { return titleStrip() == Rgb {237, 238, 240}; })) << "the window did not come forward";

    Xdo("mousemove " + std::to_string(w.x + 878) + " " + std::to_string(w.y + 13) + " click 1");
    EXPECT_TRUE(WaitForViewable("Pictavo", 0));
    Click(items[0].second);
    EXPECT_TRUE(WaitForViewable("Pictavo", 1));

    Click(items[3].second);
    EXPECT_TRUE(WaitForViewable("设置", 1));
    Click(items[3].second);  // already open: still one dialog
    Pump(300);
    EXPECT_EQ(FindWindows("设置").size(), 1u);

    Click(items[4].second);
    EXPECT_EQ(client.Wait(20000), 0);
}

// The two items a rotation needs from the tray: a step now, and the folder.
TEST_F(TrayMenu, NextWallpaperStepsOnceAndTheFolderOpensInTheFileManager)
{
    platform::TcpListener service;
    setenv("PICTAVO_STATUS_PORT", std::to_string(service.Port()).c_str(), 1);
    const std::string pictures = dir_.path() + "xdg/Brisvane/WallPaper/";
    const std::string a = dir_.Write("xdg/Brisvane/WallPaper/a.jpg", testing_support::MakeFlatJpeg(64, 48, {200, 0, 0}));
    // Large, so its step is still being fitted when the second press comes.
    const std::string b =
        dir_.Write("xdg/Brisvane/WallPaper/b.jpg", testing_support::MakeFlatJpeg(7680, 4320, {0, 200, 0}));
    // No rotation of its own ("never"), so every change here is a press.
    dir_.Write("xdg/Brisvane/Config.ini", "[Config]\nChangeTime=0\nLastChangeTime=1\nWallPaper=" + a + "\n");
    const auto wallPaper = [&] {
        const std::string ini = testing_support::ReadFileBytes(dir_.path() + "xdg/Brisvane/Config.ini");
        const auto at = ini.find("WallPaper=");
        return at == std::string::npos ? std::string() : ini.substr(at + 10, ini.find('\n', at) - at - 10);
    };
    // Left of the window, where both the stretched and the centred picture show.
    const auto corner = [] { return PixelAt(Screenshot().get(), 3, 400); };
    for (const char* desktop : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "SWAYSOCK"})
        unsetenv(desktop);

    ChildProcess client({HelperPath("pictavo")});
    ASSERT_TRUE(Connect());
    const auto connection = service.Accept(10000);
    ASSERT_TRUE(connection);
    auto status = testing_support::ReceiveStatus(*connection, 10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, 1);
    const auto items = MenuItems();
    ASSERT_EQ(items.size(), 5u);

    Click(items[1].second);
    Click(items[1].second); // while the first step fits the large picture
    EXPECT_TRUE(PumpUntil([&] { return corner() == Rgb {0, 200, 0}; }, 20000)) << "b never reached the desktop";
    status = testing_support::ReceiveStatus(*connection, 10000);
    ASSERT_TRUE(status) << "no record after the step";
    EXPECT_GT(status->NextChangeTime, 1) << "the change time was not restarted";
    Pump(1500);
    EXPECT_EQ(wallPaper(), b) << "the second press ran a step of its own";
    EXPECT_EQ(corner(), (Rgb {0, 200, 0}));

    Click(items[1].second); // the step ended: this one counts, and wraps round
    EXPECT_TRUE(PumpUntil([&] { return corner() == Rgb {200, 0, 0}; }, 20000));
    EXPECT_EQ(wallPaper(), a);

    // A folder removed meanwhile is made again and shown.
    FakeFileManager files(watcher_.Bus());
    ASSERT_TRUE(files.Owned());
    ASSERT_EQ(std::remove(a.c_str()), 0);
    ASSERT_EQ(std::remove(b.c_str()), 0);
    ASSERT_EQ(rmdir(pictures.c_str()), 0);
    Click(items[2].second);
    ASSERT_TRUE(PumpUntil([&] { return !files.Shown().empty(); }));
    const platform::linuxdesk::GCharPtr uri(g_filename_to_uri(pictures.c_str(), nullptr, nullptr));
    EXPECT_EQ(files.Shown(), std::vector<std::string> {uri.get()});
    EXPECT_TRUE(platform::DirectoryExists(pictures));

    // Nothing left to show: the press says so and changes nothing.
    NotificationServer notices;
    Click(items[1].second);
    ASSERT_TRUE(PumpUntil([&] { return !notices.shown.empty(); }));
    EXPECT_EQ(notices.shown[0].title, "下一张壁纸");
    EXPECT_EQ(notices.shown[0].body, "壁纸文件夹里没有图片。");
    EXPECT_EQ(wallPaper(), a);

    Click(items[4].second);
    EXPECT_EQ(client.Wait(20000), 0);
}

// The menu as it shows on screen, in both languages, for a person to look at.
TEST(TrayIcon, MenuShowsItsItemsInBothLanguages)
{
    InitGtk();
    for (const bool chinese : {true, false}) {
        UseLocale(chinese);
        app::gtk::TTrayIcon icon("Pictavo", {});
        const ui::gtk::TopLevelPtr anchor(gtk_window_new(GTK_WINDOW_TOPLEVEL));
        gtk_window_move(GTK_WINDOW(anchor.get()), 600, 300);
        gtk_window_set_default_size(GTK_WINDOW(anchor.get()), 20, 20);
        gtk_widget_show(anchor.get());
        ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(anchor.get()); }));
        Pump(200);
        const GdkRectangle at {0, 0, 1, 1};
        gtk_menu_popup_at_rect(icon.Menu(), gtk_widget_get_window(anchor.get()), &at, GDK_GRAVITY_SOUTH_EAST,
                               GDK_GRAVITY_NORTH_WEST, nullptr);
        GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(icon.Menu()));
        ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(top); }));
        Pump(300);
        Screenshot(ScreenshotDir() + (chinese ? "tray_menu_zh_CN.png" : "tray_menu_en.png"));
        std::vector<std::string> labels;
        GList* children = gtk_container_get_children(GTK_CONTAINER(icon.Menu()));
        for (GList* c = children; c; c = c->next)
            labels.emplace_back(gtk_menu_item_get_label(GTK_MENU_ITEM(c->data)));
        g_list_free(children);
        const std::vector<std::string> expected =
            chinese ? std::vector<std::string> {"显示", "下一张壁纸", "打开壁纸文件夹", "设置", "退出"}
                    : std::vector<std::string> {"Show", "Next wallpaper", "Open the wallpaper folder", "Settings",
                                                "Exit"};
        EXPECT_EQ(labels, expected);
        gtk_menu_popdown(icon.Menu());
    }
    UseLocale(true);
}

// The menu and its handlers go with the icon.
TEST(TrayIcon, LeavesNoWindowBehind)
{
    InitGtk();
    const auto toplevels = [] {
        GList* list = gtk_window_list_toplevels();
        const guint n = g_list_length(list);
        g_list_free(list);
        return n;
    };
    const guint before = toplevels();
    {
        app::gtk::TTrayIcon icon("Pictavo", {});
        icon.SetVisible(true);
        EXPECT_GT(toplevels(), before);
    }
    EXPECT_EQ(toplevels(), before);
}

namespace {

GtkWidget* OpenMenu()
{
    GtkWidget* found = nullptr;
    GList* list = gtk_window_list_toplevels();
    for (GList* l = list; l; l = l->next) {
        GtkWidget* child = gtk_bin_get_child(GTK_BIN(l->data));
        if (gtk_widget_get_mapped(GTK_WIDGET(l->data)) && child && GTK_IS_MENU(child))
            found = child;
    }
    g_list_free(list);
    return found;
}

} // namespace

// A desktop whose tray speaks only XEmbed (LXDE's panel, Cinnamon without an
// indicator host): the icon docks there once, GTK logs no critical while the
// tray takes it in, and the icon's menu brings the window back.
TEST(TrayIcon, DocksInAnXEmbedTrayWhoseMenuShows)
{
    InitGtk();
    UseLocale(true);
    testing_support::TempDir dir;
    const std::string report = dir.path() + "tray.log";
    const auto lines = [&] {
        std::vector<std::string> out;
        gchar* raw = nullptr;
        if (g_file_get_contents(report.c_str(), &raw, nullptr, nullptr)) {
            const platform::linuxdesk::GCharPtr text(raw);
            const std::unique_ptr<gchar*, void (*)(gchar**)> split(g_strsplit(text.get(), "\n", -1), g_strfreev);
            for (gchar** l = split.get(); *l; ++l)
                if (**l)
                    out.emplace_back(*l);
        }
        return out;
    };
    ChildProcess tray({HelperPath("XEmbedTray"), report});
    ASSERT_TRUE(PumpUntil([&] { return !lines().empty(); }));

    int criticals = 0;
    const auto count = +[](const gchar*, GLogLevelFlags, const gchar* message, gpointer n) {
        ++*static_cast<int*>(n);
        ADD_FAILURE() << message;
    };
    const guint gdkLog = g_log_set_handler("Gdk", G_LOG_LEVEL_CRITICAL, count, &criticals);
    const guint gtkLog = g_log_set_handler("Gtk", G_LOG_LEVEL_CRITICAL, count, &criticals);
    bool shown = false;
    {
        app::gtk::TTrayIcon icon("Pictavo", {[&] { shown = true; }, {}, {}, {}, {}});
        icon.SetVisible(true);
        ASSERT_TRUE(PumpUntil([&] { return lines().size() >= 2; }));
        Pump(1500); // the tray maps and sizes the icon meanwhile
        const auto seen = lines();
        ASSERT_EQ(seen.size(), 2u) << "the icon's window was made again while it docked: " << seen.back();
        EXPECT_EQ(criticals, 0);

        unsigned long window = 0;
        ASSERT_EQ(std::sscanf(seen[1].c_str(), "docked %lu", &window), 1) << seen[1];
        GdkWindow* docked = gdk_x11_window_lookup_for_display(gdk_display_get_default(), window);
        ASSERT_TRUE(docked) << "a window not the icon's docked";
        int x = 0, y = 0;
        gdk_window_get_origin(docked, &x, &y);
        Xdo("mousemove " + std::to_string(x + gdk_window_get_width(docked) / 2) + " " +
            std::to_string(y + gdk_window_get_height(docked) / 2) + " click 3");
        ASSERT_TRUE(PumpUntil([] { return OpenMenu() != nullptr; })) << "no menu at a right click";
        GtkWidget* menu = OpenMenu();
        GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
        GtkWidget* first = GTK_WIDGET(items->data);
        g_list_free(items);
        EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(first)), "显示");
        int ix = 0, iy = 0, ox = 0, oy = 0;
        gtk_widget_translate_coordinates(first, gtk_widget_get_toplevel(menu), gtk_widget_get_allocated_width(first) / 2,
                                         gtk_widget_get_allocated_height(first) / 2, &ix, &iy);
        gdk_window_get_origin(gtk_widget_get_window(gtk_widget_get_toplevel(menu)), &ox, &oy);
        Xdo("mousemove " + std::to_string(ox + ix) + " " + std::to_string(oy + iy) + " click 1");
        EXPECT_TRUE(PumpUntil([&] { return shown; })) << "Show did not run";
    }
    g_log_remove_handler("Gtk", gtkLog);
    g_log_remove_handler("Gdk", gdkLog);
    gdk_display_flush(gdk_display_get_default());
    EXPECT_EQ(tray.Wait(10000), 0) << "the icon stayed in the tray after it went";
}
