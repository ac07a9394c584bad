#include "app/gtk/ScreenWatch.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace app::gtk {

using namespace platform::linuxscreen;

TScreenWatch::TScreenWatch(GtkWidget* window) : Window_(window), Display_(gtk_widget_get_display(window))
{
#ifdef GDK_WINDOWING_WAYLAND
    if (GDK_IS_WAYLAND_DISPLAY(Display_))
        Outputs_ = std::make_unique<WaylandOutputs>(gdk_wayland_display_get_wl_display(Display_));
#endif
    // GDK reports these from inside its own event handling: read afterwards,
    // once for a burst of them.
    g_signal_connect_swapped(gdk_display_get_default_screen(Display_), "monitors-changed", G_CALLBACK(Changed), this);
    g_signal_connect_swapped(Display_, "monitor-added", G_CALLBACK(Changed), this);
    g_signal_connect_swapped(Display_, "monitor-removed", G_CALLBACK(Changed), this);
    // Shown for the first time, the window has a monitor of its own.
    g_signal_connect_swapped(Window_, "map", G_CALLBACK(Changed), this);
    Refresh();
}

TScreenWatch::~TScreenWatch()
{
    g_signal_handlers_disconnect_by_data(gdk_display_get_default_screen(Display_), this);
    g_signal_handlers_disconnect_by_data(Display_, this);
    g_signal_handlers_disconnect_by_data(Window_, this);
    if (Idle_)
        g_source_remove(Idle_);
}

void TScreenWatch::Changed(gpointer self)
{
    auto* watch = static_cast<TScreenWatch*>(self);
    if (watch->Idle_)
        return;
    watch->Idle_ = g_idle_add(
        +[](gpointer data) {
            auto* w = static_cast<TScreenWatch*>(data);
            w->Idle_ = 0;
            w->Refresh();
            return G_SOURCE_REMOVE;
        },
        self);
}

void TScreenWatch::Refresh()
{
    PublishPrimaryScreenSize(Read());
}

platform::ScreenSize TScreenWatch::Read()
{
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(Display_))
        return X11PrimaryScreenSize(gdk_x11_display_get_xdisplay(Display_));
#endif
    if (!Outputs_)
        return {};
    const std::vector<WaylandOutput> outputs = Outputs_->Read();
    GdkMonitor* monitor = nullptr;
    if (GdkWindow* window = gtk_widget_get_window(Window_); window && gtk_widget_get_mapped(Window_))
        monitor = gdk_display_get_monitor_at_window(Display_, window);
    MonitorFacts facts;
    for (int i = 0, n = gdk_display_get_n_monitors(Display_); i < n; ++i) {
        GdkMonitor* m = gdk_display_get_monitor(Display_, i);
        if (monitor ? m != monitor : i != 0)
            continue;
        GdkRectangle place {};
        gdk_monitor_get_geometry(m, &place);
        const char* make = gdk_monitor_get_manufacturer(m);
        const char* model = gdk_monitor_get_model(m);
        facts = {place.x, place.y, make ? make : "", model ? model : "", static_cast<std::size_t>(i)};
        break;
    }
    const auto chosen = MatchOutput(outputs, facts);
    return chosen ? outputs[*chosen].size : platform::ScreenSize {};
}

} // namespace app::gtk
