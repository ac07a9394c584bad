#pragma once
// A portal view in a plain 895 x 600 window at the screen's top left, with a
// recording request handler and opener, and the waits the tests need: the
// web process runs apart from us, so every check waits on the main loop with
// a generous limit rather than sleeping.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gtk/PortalView.h"

namespace portal_test {

using namespace std::chrono_literals;
constexpr auto kLoadLimit = 60s;

// Runs the main loop until `done` or the limit; returns `done()`.
bool SpinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kLoadLimit);
// Runs the main loop for a while, for things that must NOT happen.
void SpinFor(std::chrono::milliseconds span);

struct ScriptResult {
    bool ok = false;
    std::string value; // the result as text, or the error message
};
// Runs `script` in the page's main frame (or the named script world).
ScriptResult RunScript(WebKitWebView* view, const std::string& script, const char* world = nullptr);

// Runs an xdotool command on this display and waits for it.
bool XDoTool(const std::vector<std::string>& args);

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    app::PortalView& view() { return *view_; }
    WebKitWebView* web() { return view_->WebView(); }
    GtkWidget* window() { return window_; }

    // Navigates and waits until `url` has finished loading.
    bool Load(const std::string& url);
    // Waits until a load of `url` (any, when empty) has finished.
    bool WaitFinished(const std::string& url = {});
    // URIs committed so far, in order.
    const std::vector<std::string>& committed() const { return committed_; }

    // Moves the pointer to a point of the view and clicks there.
    bool Click(int x, int y, int button = 1);

    std::vector<std::string> requests;
    std::vector<std::string> opened;

private:
    static void OnLoadChanged(WebKitWebView* web, WebKitLoadEvent event, gpointer self);

    GtkWidget* window_ = nullptr;
    std::unique_ptr<app::PortalView> view_;
    std::vector<std::string> committed_;
    std::vector<std::string> finished_;
};

// Visible top-level windows of this process but tooltips: a popup menu, a
// dialog or a second browser window would add one.
int VisibleToplevels();

// The WebKit web process started by this process (inside its sandbox), or 0.
int OurWebProcess();

} // namespace portal_test
