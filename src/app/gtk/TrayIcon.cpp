#include "app/gtk/TrayIcon.h"

#include <glib/gi18n.h>
#include <libayatana-appindicator/app-indicator.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace app::gtk {
namespace {

struct BytesUnref {
    void operator()(GBytes* b) const noexcept { g_bytes_unref(b); }
};
using BytesPtr = std::unique_ptr<GBytes, BytesUnref>;

// An indicator names its icon for the tray host to load, so the program's
// icons are laid out as an icon theme in the user's cache folder.
std::string IconThemePath()
{
    const std::string root = std::string(g_get_user_cache_dir()) + "/pictavo/icons";
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string n = std::to_string(size);
        const std::string resource = "/com/brisvane/Pictavo/icons/" + n + "x" + n + "/pictavo.png";
        const BytesPtr bytes(g_resources_lookup_data(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
        if (!bytes)
            continue;
        gsize length = 0;
        const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &length));
        const std::string dir = root + "/hicolor/" + n + "x" + n + "/apps";
        const std::string file = dir + "/pictavo.png";
        gchar* raw = nullptr;
        gsize oldLength = 0;
        const bool read = g_file_get_contents(file.c_str(), &raw, &oldLength, nullptr);
        const ui::gtk::GCharPtr old(raw);
        const bool same = read && std::string_view(old.get(), oldLength) == std::string_view(data, length);
        if (!same && g_mkdir_with_parents(dir.c_str(), 0700) == 0)
            g_file_set_contents(file.c_str(), data, static_cast<gssize>(length), nullptr);
    }
    return root;
}

GtkWidget* AddItem(GtkWidget* menu, const char* text, std::function<void()>* handler)
{
    GtkWidget* item = gtk_menu_item_new_with_label(text);
    g_signal_connect_swapped(item, "activate", G_CALLBACK(+[](std::function<void()>* h) {
                                 if (*h)
                                     (*h)();
                             }),
                             handler);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    return item;
}

bool XEmbedTrayPresent()
{
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return false;
    Display* x = gdk_x11_display_get_xdisplay(display);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x));
    return XGetSelectionOwner(x, XInternAtom(x, name.c_str(), False)) != None;
#else
    return false;
#endif
}

// With no tray host the indicator falls back to a GtkStatusIcon, which needs
// an X tray: on Wayland it has none to embed in and GTK logs a critical for
// each icon it draws. There the indicator simply waits for a host.
GtkStatusIcon* FallbackWhereItCanShow(AppIndicator* indicator)
{
    GdkDisplay* display = gdk_display_get_default();
#ifdef GDK_WINDOWING_X11
    const bool x11 = display && GDK_IS_X11_DISPLAY(display);
#else
    const bool x11 = false;
#endif
    if (!x11)
        return nullptr;
    const auto* parent = static_cast<AppIndicatorClass*>(g_type_class_peek(APP_INDICATOR_TYPE));
    return parent->fallback ? parent->fallback(indicator) : nullptr;
}

GType IndicatorType()
{
    static const GType type = g_type_register_static_simple(
        APP_INDICATOR_TYPE, "PictavoIndicator", sizeof(AppIndicatorClass),
        +[](gpointer klass, gpointer) { static_cast<AppIndicatorClass*>(klass)->fallback = FallbackWhereItCanShow; },
        sizeof(AppIndicator), nullptr, static_cast<GTypeFlags>(0));
    return type;
}

} // namespace

TTrayIcon::TTrayIcon(const char* tip, Handlers handlers) : Handlers_(std::move(handlers))
{
    Menu_ = ui::gtk::RefWidget(gtk_menu_new());
    GtkWidget* show = AddItem(Menu_.get(), _("Show"), &Handlers_.show);
    AddItem(Menu_.get(), _("Next wallpaper"), &Handlers_.next);
    AddItem(Menu_.get(), _("Open the wallpaper folder"), &Handlers_.openFolder);
    AddItem(Menu_.get(), _("Settings"), &Handlers_.settings);
    AddItem(Menu_.get(), _("Exit"), &Handlers_.exit);
    gtk_widget_show_all(Menu_.get());

    AppIndicator* indicator = APP_INDICATOR(g_object_new(IndicatorType(), "id", "com.brisvane.Pictavo", "category",
                                                         "ApplicationStatus", "icon-name", "pictavo",
                                                         "icon-theme-path", IconThemePath().c_str(), nullptr));
    Indicator_.reset(G_OBJECT(indicator));
    app_indicator_set_title(indicator, tip);
    app_indicator_set_menu(indicator, GTK_MENU(Menu_.get()));
    // A middle click on the icon, where the host supports it, is the click.
    app_indicator_set_secondary_activate_target(indicator, show);
    app_indicator_set_status(indicator, APP_INDICATOR_STATUS_PASSIVE);

    WatchId_ = g_bus_watch_name(
        G_BUS_TYPE_SESSION, "org.kde.StatusNotifierWatcher", G_BUS_NAME_WATCHER_FLAGS_NONE,
        +[](GDBusConnection*, const gchar*, const gchar*, gpointer self) {
            static_cast<TTrayIcon*>(self)->WatcherPresent_ = true;
        },
        +[](GDBusConnection*, const gchar*, gpointer self) { static_cast<TTrayIcon*>(self)->WatcherPresent_ = false; },
        this, nullptr);
}

TTrayIcon::~TTrayIcon()
{
    g_bus_unwatch_name(WatchId_);
    if (Indicator_)
        app_indicator_set_status(APP_INDICATOR(Indicator_.get()), APP_INDICATOR_STATUS_PASSIVE);
    // A menu lives in a window of its own until destroyed; its items call
    // into Handlers_, which goes with this object.
    gtk_widget_destroy(Menu_.get());
}

void TTrayIcon::SetVisible(bool visible)
{
    Visible_ = visible;
    app_indicator_set_status(APP_INDICATOR(Indicator_.get()),
                             visible ? APP_INDICATOR_STATUS_ACTIVE : APP_INDICATOR_STATUS_PASSIVE);
}

bool TTrayIcon::NotificationAreaPresent() const
{
    return WatcherPresent_ || XEmbedTrayPresent();
}

} // namespace app::gtk
