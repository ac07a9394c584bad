#include "ui/gtk/Scaled.h"

namespace ui::gtk {

int PixelScale(cairo_t* cr)
{
    // The surface, not the widget, knows: a widget drawn into an image of its
    // own (a drag icon, a test) is drawn at that image's scale.
    double x = 1, y = 1;
    cairo_surface_get_device_scale(cairo_get_target(cr), &x, &y);
    return x >= 2 && y >= 2 ? 2 : 1;
}

void PaintPicturePart(cairo_t* cr, GdkPixbuf* picture, int scale, double x, double y, int srcX, int w, int h)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    gdk_cairo_set_source_pixbuf(cr, picture, -static_cast<double>(srcX * scale), 0);
    cairo_rectangle(cr, 0, 0, w * scale, h * scale);
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace ui::gtk
