#pragma once
// The main window's portal view: a WebKitWebView that shows the loading page,
// then the portal, with the browser's own interface kept out of the way (no
// context menu, no text selection, no Ctrl+N, no second window), and the
// page's window.external.downloadPic handed to the request handler.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/gtk/ScriptBridge.h"
#include "platform/linux/GLibPtr.h"

namespace app {

class PortalView {
public:
    using RequestHandler = ScriptBridge::RequestHandler;
    // Opens a link that asked for a new window outside the program.
    using UriOpener = std::function<void(GtkWidget* view, const std::string& uri)>;

    static constexpr int kLeft = 0;
    static constexpr int kTop = 27;
    static constexpr int kWidth = 895;
    static constexpr int kHeight = 550;

    // Puts the view into `parent` at (0, 27), 895 x 550. `onRequest` runs on
    // the main thread with the text the portal page asked for.
    PortalView(GtkFixed* parent, RequestHandler onRequest, UriOpener openOutside = OpenInUsersBrowser);
    ~PortalView();
    PortalView(const PortalView&) = delete;
    PortalView& operator=(const PortalView&) = delete;

    // Loads `url`. While the loading page is still coming in, the next
    // address waits for it, so the loading page shows until that page
    // replaces it.
    void Navigate(const std::string& url);
    // Shows the unreachable page for the portal home page with `problem`
    // instead of loading the portal; after the loading page, as Navigate.
    void ShowUnreachable(const std::string& problem);

    WebKitWebView* WebView() const { return view_.get(); }

    // The user's browser, through the desktop's URI handler.
    static void OpenInUsersBrowser(GtkWidget* view, const std::string& uri);

private:
    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
    static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer);
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer self);
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error, gpointer self);
    static gboolean OnLookForPicture(gpointer self);
    void LoadWaitingUrl();

    void OpenOutside(WebKitNavigationAction* action);

    platform::linuxdesk::GObjectPtr<WebKitWebView> view_;
    std::unique_ptr<ScriptBridge> bridge_;
    UriOpener openOutside_;
    bool loadingPageInFlight_ = false;
    bool loadingPageFailed_ = false;
    gint64 pictureDeadline_ = 0; // monotonic microseconds
    guint lookForPicture_ = 0;
    std::optional<std::string> waitingUrl_;
    std::optional<std::string> waitingProblem_;
};

} // namespace app
