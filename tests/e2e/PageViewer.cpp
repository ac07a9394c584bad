// Shows one page in a WebKitGTK view of the client's size, with a
// window.external.downloadPic that prints its argument: lets the tests look
// at and click a portal page without the client.
// usage: PageViewer URL [WIDTH HEIGHT]
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kBridge = R"(
Object.defineProperty(window, 'external', {configurable: true, value: {
  downloadPic: s => window.webkit.messageHandlers.pick.postMessage(String(s))
}});)";

void Picked(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer)
{
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    char* text = jsc_value_to_string(value);
    std::printf("downloadPic %s\n", text);
    std::fflush(stdout);
    g_free(text);
}

void Loaded(WebKitWebView*, WebKitLoadEvent event, gpointer)
{
    if (event == WEBKIT_LOAD_FINISHED) {
        std::printf("loaded\n");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fputs("usage: PageViewer URL [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    gtk_init(&argc, &argv);
    const int width = argc == 4 ? std::atoi(argv[2]) : 895;
    const int height = argc == 4 ? std::atoi(argv[3]) : 550;

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    webkit_user_content_manager_add_script(
        content, webkit_user_script_new(kBridge, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
    g_signal_connect(content, "script-message-received::pick", G_CALLBACK(Picked), nullptr);
    webkit_user_content_manager_register_script_message_handler(content, "pick");

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "PageViewer");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    gtk_window_move(GTK_WINDOW(window), 0, 0);
    GtkWidget* view = webkit_web_view_new_with_user_content_manager(content);
    g_signal_connect(view, "load-changed", G_CALLBACK(Loaded), nullptr);
    gtk_container_add(GTK_CONTAINER(window), view);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
