#pragma once
// Pictures painted at the pixels of the surface they land on: a window GTK
// draws at scale 2 gets the copy with twice the pixels, unscaled, so the
// strips and the icon stay crisp instead of being blown up.
#include <gtk/gtk.h>

namespace ui::gtk {

// Device pixels to a unit of cr: 2 on a window drawn at scale 2, else 1.
int PixelScale(cairo_t* cr);

// Paints the w x h rectangle at (srcX, 0) of picture, which has `scale`
// pixels to a unit, at (x, y) of cr; every size is in units.
void PaintPicturePart(cairo_t* cr, GdkPixbuf* picture, int scale, double x, double y, int srcX, int w, int h);

} // namespace ui::gtk
