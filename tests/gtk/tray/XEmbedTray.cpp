// A notification area that speaks only XEmbed, as LXDE's panel or Cinnamon
// without an indicator host: it owns the screen's tray selection, takes each
// icon that asks to dock into a socket of its own, and writes to the report
// file what it did ("tray", then "docked WINDOW" for each icon's window). It ends when its last icon goes away, or after a minute.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr long kRequestDock = 0;

struct FileClose {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

struct Tray {
    std::unique_ptr<std::FILE, FileClose> report;
    GtkWidget* box = nullptr;
    Atom opcode = None;
    int icons = 0;

    void Say(const std::string& line)
    {
        std::fputs((line + "\n").c_str(), report.get());
        std::fflush(report.get());
    }
};

void OnPlugAdded(GtkSocket* socket, Tray* tray)
{
    ++tray->icons;
    tray->Say("docked " + std::to_string(GDK_WINDOW_XID(gtk_socket_get_plug_window(socket))));
}

gboolean OnPlugRemoved(GtkSocket*, Tray* tray)
{
    if (--tray->icons == 0)
        gtk_main_quit();
    return FALSE;
}

GdkFilterReturn OnMessage(GdkXEvent* native, GdkEvent*, gpointer data)
{
    auto* tray = static_cast<Tray*>(data);
    const auto* e = static_cast<XEvent*>(native);
    if (e->type != ClientMessage || e->xclient.message_type != tray->opcode || e->xclient.data.l[1] != kRequestDock)
        return GDK_FILTER_CONTINUE;
    const auto icon = static_cast<Window>(e->xclient.data.l[2]);
    GtkWidget* socket = gtk_socket_new();
    gtk_widget_set_size_request(socket, 24, 24);
    gtk_box_pack_start(GTK_BOX(tray->box), socket, FALSE, FALSE, 0);
    gtk_widget_show(socket);
    g_signal_connect(socket, "plug-added", G_CALLBACK(OnPlugAdded), tray);
    g_signal_connect(socket, "plug-removed", G_CALLBACK(OnPlugRemoved), tray);
    gtk_socket_add_id(GTK_SOCKET(socket), icon);
    return GDK_FILTER_REMOVE;
}

} // namespace

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    if (argc != 2)
        return 2;
    Tray tray;
    tray.report.reset(std::fopen(argv[1], "w"));
    if (!tray.report)
        return 2;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    tray.box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_container_add(GTK_CONTAINER(window), tray.box);
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 30);
    gtk_widget_show_all(window);

    GdkWindow* own = gtk_widget_get_window(window);
    Display* x = GDK_WINDOW_XDISPLAY(own);
    const Window owner = GDK_WINDOW_XID(own);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x));
    const Atom selection = XInternAtom(x, name.c_str(), False);
    tray.opcode = XInternAtom(x, "_NET_SYSTEM_TRAY_OPCODE", False);
    gdk_window_add_filter(own, OnMessage, &tray);
    XSetSelectionOwner(x, selection, owner, CurrentTime);
    if (XGetSelectionOwner(x, selection) != owner)
        return 1;
    // Icons already waiting learn of the new tray from this message.
    XEvent manager {};
    manager.xclient.type = ClientMessage;
    manager.xclient.window = DefaultRootWindow(x);
    manager.xclient.message_type = XInternAtom(x, "MANAGER", False);
    manager.xclient.format = 32;
    manager.xclient.data.l[0] = CurrentTime;
    manager.xclient.data.l[1] = static_cast<long>(selection);
    manager.xclient.data.l[2] = static_cast<long>(owner);
    XSendEvent(x, DefaultRootWindow(x), False, StructureNotifyMask, &manager);
    XFlush(x);
    tray.Say("tray");

    g_timeout_add_seconds(60, +[](gpointer) -> gboolean {
        gtk_main_quit();
        return G_SOURCE_REMOVE;
    }, nullptr);
    gtk_main();
    return 0;
}
