#pragma once
// The notification-area icon of the Linux edition: an AppIndicator with the
// menu "Show", "Next wallpaper", "Open the wallpaper folder", "Settings",
// "Exit". An indicator reports no reliable left
// click, so "Show" stands for the click that brings the window back.
#include <gtk/gtk.h>

#include <functional>

#include "ui/gtk/GtkPtr.h"

namespace app::gtk {

class TTrayIcon {
public:
    struct Handlers {
        std::function<void()> show;       // "Show": the window comes forward
        std::function<void()> next;       // one rotation step now
        std::function<void()> openFolder; // the wallpaper folder in the file manager
        std::function<void()> settings;   // PopMenu1Click
        std::function<void()> exit;       // PopMenu2Click
    };

    TTrayIcon(const char* tip, Handlers handlers);
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    void SetVisible(bool visible);
    bool Visible() const { return Visible_; }

    // Whether anything on this desktop shows tray icons now: a StatusNotifier
    // host (its watcher on the session bus) or an XEmbed system tray.
    bool NotificationAreaPresent() const;

    // The menu the indicator exports, for a look at it on screen.
    GtkMenu* Menu() const { return GTK_MENU(Menu_.get()); }

private:
    Handlers Handlers_;
    ui::gtk::GObjectPtr<GObject> Indicator_;
    ui::gtk::GObjectPtr<GtkWidget> Menu_;
    guint WatchId_ = 0;
    bool WatcherPresent_ = false;
    bool Visible_ = false;
};

} // namespace app::gtk
