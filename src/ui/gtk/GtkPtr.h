#pragma once
// Owners for the GTK objects the windows create. A top-level window is owned
// by GTK's window list until destroyed, so its owner destroys it rather than
// dropping a reference.
#include <gtk/gtk.h>

#include <memory>

#include "platform/linux/GLibPtr.h"

namespace ui::gtk {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

struct WidgetDestroy {
    void operator()(GtkWidget* w) const noexcept { gtk_widget_destroy(w); }
};
using TopLevelPtr = std::unique_ptr<GtkWidget, WidgetDestroy>;

// Takes a reference of its own on a widget a container owns, so the C++
// object that wraps it can never outlive it.
inline GObjectPtr<GtkWidget> RefWidget(GtkWidget* w)
{
    return GObjectPtr<GtkWidget>(GTK_WIDGET(g_object_ref_sink(w)));
}

} // namespace ui::gtk
