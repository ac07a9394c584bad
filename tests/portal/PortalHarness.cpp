#include "PortalHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/linux/GLibPtr.h"

namespace portal_test {

using platform::linuxdesk::GErrorPtr;

bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // A ticking source so a blocking iteration wakes to look at the clock.
    const guint tick = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    bool result = done();
    while (!result && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
        result = done();
    }
    g_source_remove(tick);
    return result;
}

void SpinFor(std::chrono::milliseconds span)
{
    SpinUntil([] { return false; }, span);
}

ScriptResult RunScript(WebKitWebView* view, const std::string& script, const char* world)
{
    struct Pending {
        bool done = false;
        ScriptResult result;
    } pending;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, world, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* p = static_cast<Pending*>(data);
            GError* raw = nullptr;
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, &raw);
            const GErrorPtr error(raw);
            if (value) {
                p->result.ok = true;
                const platform::linuxdesk::GCharPtr text(jsc_value_to_string(value));
                p->result.value = text ? text.get() : "";
                g_object_unref(value);
            } else {
                p->result.value = error ? error->message : "";
            }
            p->done = true;
        },
        &pending);
    // The callback writes into `pending`: never leave before it ran.
    while (!pending.done)
        g_main_context_iteration(nullptr, TRUE);
    return pending.result;
}

bool XDoTool(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::string program = "xdotool";
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    gint status = -1;
    const gboolean started = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                          nullptr, nullptr, &status, nullptr);
    return started && g_spawn_check_wait_status(status, nullptr);
}

HostWindow::HostWindow()
{
    gtk_init_check(nullptr, nullptr);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window_), 895, 600);
    gtk_window_move(GTK_WINDOW(window_), 0, 0);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed);
    view_ = std::make_unique<app::PortalView>(
        GTK_FIXED(fixed), [this](const std::string& text) { requests.push_back(text); },
        [this](GtkWidget*, const std::string& uri) { opened.push_back(uri); });
    g_signal_connect(web(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    gtk_widget_show_all(window_);
    SpinUntil([this] { return gtk_widget_get_mapped(window_); });
}

HostWindow::~HostWindow()
{
    g_signal_handlers_disconnect_by_data(web(), this);
    // The window goes first, as when the main window closes.
    gtk_widget_destroy(window_);
    view_.reset();
    SpinFor(50ms);
}

void HostWindow::OnLoadChanged(WebKitWebView* web, WebKitLoadEvent event, gpointer self)
{
    auto* host = static_cast<HostWindow*>(self);
    const char* uri = webkit_web_view_get_uri(web);
    if (event == WEBKIT_LOAD_COMMITTED)
        host->committed_.emplace_back(uri ? uri : "");
    else if (event == WEBKIT_LOAD_FINISHED && !host->committed_.empty())
        // The view may already be on its way to the next page; what finished
        // is the page last committed.
        host->finished_.push_back(host->committed_.back());
}

bool HostWindow::Load(const std::string& url)
{
    finished_.clear();
    view_->Navigate(url);
    return WaitFinished(url);
}

bool HostWindow::WaitFinished(const std::string& url)
{
    return SpinUntil([&] {
        for (const auto& f : finished_)
            if (url.empty() || f == url)
                return true;
        return false;
    });
}

bool HostWindow::Click(int x, int y, int button)
{
    GtkWidget* view = GTK_WIDGET(web());
    int tx = 0, ty = 0, ox = 0, oy = 0;
    gtk_widget_translate_coordinates(view, window_, x, y, &tx, &ty);
    gdk_window_get_origin(gtk_widget_get_window(window_), &ox, &oy);
    return XDoTool({"mousemove", std::to_string(ox + tx), std::to_string(oy + ty), "click", std::to_string(button)});
}

int VisibleToplevels()
{
    GList* all = gtk_window_list_toplevels();
    int n = 0;
    for (GList* l = all; l; l = l->next)
        // A tooltip under the pointer comes and goes on its own.
        if (gtk_widget_get_visible(GTK_WIDGET(l->data)) &&
            !g_str_equal(G_OBJECT_TYPE_NAME(l->data), "GtkTooltipWindow"))
            ++n;
    g_list_free(all);
    return n;
}

namespace {

// The parent and command name of a process, from /proc.
bool ReadStat(int pid, int& parent, std::string& name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return false;
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos)
        return false;
    name = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 2));
    char state = 0;
    return static_cast<bool>(rest >> state >> parent);
}

} // namespace

int OurWebProcess()
{
    GDir* proc = g_dir_open("/proc", 0, nullptr);
    if (!proc)
        return 0;
    int found = 0;
    while (const char* entry = g_dir_read_name(proc)) {
        const int pid = std::atoi(entry);
        int parent = 0;
        std::string name;
        if (pid <= 0 || !ReadStat(pid, parent, name) || name != "WebKitWebProces")
            continue;
        // Its parent chain (through bubblewrap) leads to us?
        for (int up = parent, depth = 0; up > 1 && depth < 8 && !found; ++depth)
            if (up == getpid())
                found = pid;
            else if (!ReadStat(up, up, name))
                break;
        if (found)
            break;
    }
    g_dir_close(proc);
    return found;
}

} // namespace portal_test
