#pragma once
// What both borderless windows share: the look of their controls, the title
// strip's icon and caption, and moving the window with the mouse.
#include <gtk/gtk.h>

namespace ui::gtk {

// RGB(237, 238, 240), the windows' and the loading page's background.
inline constexpr double kBackground[3] = {237 / 255.0, 238 / 255.0, 240 / 255.0};

// No frame from anyone: GTK draws none for an undecorated window, and the
// compositors that decorate Wayland windows themselves (KWin) are told the
// window draws its own.
void MakeBorderless(GtkWindow* window);

// The windows' font and compact controls, once per screen.
void InstallStyle();

// Background, the 16 x 16 program icon at (4, 4) and the caption at (24, 5).
void PaintChrome(GtkWidget* window, cairo_t* cr, const char* caption);

// A left press on the window's own surface starts the window manager's move;
// other buttons do nothing. Always consumes the press.
gboolean MoveOnLeftPress(GtkWidget* window, GdkEventButton* e, gpointer);

} // namespace ui::gtk
