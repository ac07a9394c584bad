// A small window that offers a file for dragging, as a file manager would:
// press on it, move onto another window and let go, and that window is
// offered the file's URI.
// usage: DragSource FILE X Y (where the window's top left goes)
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string uri;

void GetData(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer)
{
    const gchar* uris[] = {uri.c_str(), nullptr};
    gtk_selection_data_set_uris(data, const_cast<gchar**>(uris));
}

void Ended(GtkWidget*, GdkDragContext*, gpointer)
{
    std::printf("drag ended\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    if (argc != 4) {
        std::fputs("usage: DragSource FILE X Y\n", stderr);
        return 2;
    }
    gchar* u = g_filename_to_uri(argv[1], nullptr, nullptr);
    uri = u ? u : "";
    g_free(u);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "DragSource");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window), 120, 80);
    gtk_window_move(GTK_WINDOW(window), std::atoi(argv[2]), std::atoi(argv[3]));
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(box), gtk_label_new("drag me"));
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, nullptr, 0, GdkDragAction(GDK_ACTION_COPY | GDK_ACTION_LINK));
    gtk_drag_source_add_uri_targets(box);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(GetData), nullptr);
    g_signal_connect(box, "drag-end", G_CALLBACK(Ended), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    std::printf("shown\n");
    std::fflush(stdout);
    gtk_main();
    return 0;
}
