#include "ui/gtk/Chrome.h"

#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include "ui/gtk/GtkPtr.h"
#include "ui/gtk/Scaled.h"

namespace ui::gtk {
namespace {

// Tahoma 8 pt where it exists, a sans face of the same size elsewhere; the
// controls lose the theme's padding so they fit the fixed layouts.
constexpr const char* kStyle = R"css(
.pictavo-form, .pictavo-form * { font-family: Tahoma, Sans; font-size: 8pt; }
.pictavo-form { background-color: #EDEEF0; }
.pictavo-form button { padding: 0 4px; min-height: 0; min-width: 0; }
.pictavo-form entry { padding: 0 3px; min-height: 0; }
.pictavo-form combobox button { padding: 0 2px; }
.pictavo-form combobox arrow { min-width: 10px; min-height: 10px; }
.pictavo-form checkbutton { padding: 0; }
.pictavo-form check { min-width: 13px; min-height: 13px; margin: 0 4px 0 0; }
)css";

void AnnounceOwnFrame(GtkWidget* widget, gpointer)
{
#ifdef GDK_WINDOWING_WAYLAND
    GdkWindow* surface = gtk_widget_get_window(widget);
    if (surface && GDK_IS_WAYLAND_WINDOW(surface))
        gdk_wayland_window_announce_csd(surface);
#else
    (void)widget;
#endif
}

} // namespace

void MakeBorderless(GtkWindow* window)
{
    gtk_window_set_decorated(window, FALSE);
    // GTK only says "client-side" for windows with a title bar of its own;
    // without it KWin puts its title bar, and its close button, on ours.
    g_signal_connect(window, "realize", G_CALLBACK(AnnounceOwnFrame), nullptr);
}

void InstallStyle()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const GObjectPtr<GtkCssProvider> css(gtk_css_provider_new());
    gtk_css_provider_load_from_data(css.get(), kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css.get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void PaintChrome(GtkWidget* window, cairo_t* cr, const char* caption)
{
    cairo_set_source_rgb(cr, kBackground[0], kBackground[1], kBackground[2]);
    cairo_paint(cr);

    const int scale = PixelScale(cr);
    const GObjectPtr<GdkPixbuf> icon(gdk_pixbuf_new_from_resource_at_scale(
        scale == 2 ? "/com/brisvane/Pictavo/icons/16x16@2/pictavo.png" : "/com/brisvane/Pictavo/icons/16x16/pictavo.png",
        16 * scale, 16 * scale, TRUE, nullptr));
    if (icon)
        PaintPicturePart(cr, icon.get(), scale, 4, 4, 0, 16, 16);

    const GObjectPtr<PangoLayout> layout(gtk_widget_create_pango_layout(window, caption));
    GdkRGBA text {};
    gtk_style_context_get_color(gtk_widget_get_style_context(window), GTK_STATE_FLAG_NORMAL, &text);
    gdk_cairo_set_source_rgba(cr, &text);
    cairo_move_to(cr, 24, 5);
    pango_cairo_show_layout(cr, layout.get());
}

gboolean MoveOnLeftPress(GtkWidget* window, GdkEventButton* e, gpointer)
{
    if (e->button == GDK_BUTTON_PRIMARY && e->type == GDK_BUTTON_PRESS)
        gtk_window_begin_move_drag(GTK_WINDOW(window), static_cast<gint>(e->button), static_cast<gint>(e->x_root),
                                   static_cast<gint>(e->y_root), e->time);
    return TRUE;
}

} // namespace ui::gtk
