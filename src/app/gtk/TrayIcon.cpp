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
struct StrvFree {
    void operator()(gchar** v) const noexcept { g_strfreev(v); }
};

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

void PopUp(GtkMenu* menu)
{
    if (menu)
        gtk_menu_popup_at_pointer(menu, nullptr);
}

// With no tray host the indicator falls back to an X tray icon of ours. On
// Wayland there is no X tray to embed in (GTK would log a critical for each
// icon it draws), so there the indicator simply waits for a host.
//
// The library's own fallback renames its icon once shown, and GTK's status
// icon rebuilds its X window to rename or hide it: a window rebuilt while
// its first resize is still on the way leaves GTK counting a resize the new
// window never asked for, and it logs a critical when the tray maps it. So
// this icon keeps the program's name, and it is hidden only when the
// indicator turns passive (at exit), long after its first resize.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS
void FollowStatus(AppIndicator* indicator, GtkStatusIcon* icon)
{
    gtk_status_icon_set_visible(icon, app_indicator_get_status(indicator) != APP_INDICATOR_STATUS_PASSIVE);
}

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
    if (const gchar* path = app_indicator_get_icon_theme_path(indicator)) {
        GtkIconTheme* theme = gtk_icon_theme_get_default();
        gchar** raw = nullptr;
        gtk_icon_theme_get_search_path(theme, &raw, nullptr);
        const std::unique_ptr<gchar*, StrvFree> paths(raw);
        if (!g_strv_contains(paths.get(), path))
            gtk_icon_theme_append_search_path(theme, path);
    }
    GtkStatusIcon* icon = gtk_status_icon_new_from_icon_name(app_indicator_get_icon(indicator));
    if (const gchar* title = app_indicator_get_title(indicator)) {
        gtk_status_icon_set_title(icon, title);
        gtk_status_icon_set_tooltip_text(icon, title);
    }
    // Either button opens the menu, as on an indicator host; a middle click
    // is the indicator's secondary activation.
    g_signal_connect(icon, "activate", G_CALLBACK(+[](GtkStatusIcon*, AppIndicator* self) {
                         PopUp(app_indicator_get_menu(self));
                     }),
                     indicator);
    g_signal_connect(icon, "popup-menu", G_CALLBACK(+[](GtkStatusIcon*, guint, guint, AppIndicator* self) {
                         PopUp(app_indicator_get_menu(self));
                     }),
                     indicator);
    g_signal_connect(icon, "button-release-event",
                     G_CALLBACK(+[](GtkStatusIcon*, GdkEventButton* event, AppIndicator* self) -> gboolean {
                         GtkWidget* target = app_indicator_get_secondary_activate_target(self);
                         if (event->button != 2 || !target)
                             return FALSE;
                         gtk_widget_activate(target);
                         return TRUE;
                     }),
                     indicator);
    FollowStatus(indicator, icon);
    g_signal_connect(indicator, "new-status", G_CALLBACK(+[](AppIndicator* self, const gchar*, GtkStatusIcon* i) {
                         FollowStatus(self, i);
                     }),
                     icon);
    return icon;
}
G_GNUC_END_IGNORE_DEPRECATIONS

void Unfallback(AppIndicator* indicator, GtkStatusIcon* icon)
{
    g_signal_handlers_disconnect_by_data(indicator, icon);
    g_signal_handlers_disconnect_by_data(icon, indicator);
    g_object_unref(icon);
}

GType IndicatorType()
{
    static const GType type = g_type_register_static_simple(
        APP_INDICATOR_TYPE, "PictavoIndicator", sizeof(AppIndicatorClass),
        +[](gpointer klass, gpointer) {
            auto* indicator = static_cast<AppIndicatorClass*>(klass);
            indicator->fallback = FallbackWhereItCanShow;
            indicator->unfallback = Unfallback;
        },
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
