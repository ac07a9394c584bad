#pragma once
// Keeps the screen size the engine fits and chooses pictures for current: the
// primary monitor's real pixels, read on the main thread from the display
// server the window uses, read again whenever GDK reports a monitor change,
// and published for the worker. X11: RandR's primary monitor. Wayland has no
// primary: the monitor showing the window, else the first; its output's mode,
// since GDK's sizes there are logical and its scale rounds 1.5 up to 2.
#include <gtk/gtk.h>

#include <memory>

#include "platform/linux/LinuxScreen.h"

namespace app::gtk {

class TScreenWatch {
public:
    // Reads the screen at once, so it is known before the worker starts.
    explicit TScreenWatch(GtkWidget* window);
    ~TScreenWatch();
    TScreenWatch(const TScreenWatch&) = delete;
    TScreenWatch& operator=(const TScreenWatch&) = delete;

    // Reads and publishes now: the window may have moved to another monitor
    // without GDK saying so.
    void Refresh();

private:
    platform::ScreenSize Read();
    static void Changed(gpointer self);

    GtkWidget* Window_;
    GdkDisplay* Display_;
    std::unique_ptr<platform::linuxscreen::WaylandOutputs> Outputs_;
    guint Idle_ = 0;
};

} // namespace app::gtk
