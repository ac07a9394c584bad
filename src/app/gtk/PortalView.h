#pragma once
// The main window's portal view: a WebKitWebView that shows the loading page,
// then the portal, with the browser's own interface kept out of the way (no
// context menu, no text selection, no Ctrl+N, no second window), and the
// page's window.external.downloadPic handed to the request handler.
//
// It holds every page it shows: the top document stays on the portal's origin
// and the client's own pages, what the user clicks elsewhere opens in the
// user's browser, and the page gets no files, permissions, password dialogs
// or file choosers. The process-wide part (sandbox, downloads, TLS) is
// PortalWebContext's.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/gtk/ScriptBridge.h"
#include "app/gtk/UnreachablePage.h"
#include "platform/linux/GLibPtr.h"

namespace app {

class PortalView {
public:
    using RequestHandler = ScriptBridge::RequestHandler;
    // Opens an address the user clicked outside the program.
    using UriOpener = std::function<void(GtkWidget* view, const std::string& uri)>;

    static constexpr int kLeft = 0;
    static constexpr int kTop = 27;
    static constexpr int kWidth = 895;
    static constexpr int kHeight = 550;

    // The loading page's own message that its picture is on the screen.
    static constexpr const char* kLoadingWorld = "pictavo-loading";
    static constexpr const char* kLoadingShownHandler = "pictavoLoadingShown";

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

    // Loads the portal home page again unless the view shows a portal page
    // or is on its way to one: after a failed load or a stopped web process.
    void ReturnToPortal();

    WebKitWebView* WebView() const { return view_.get(); }

    // Runs when the user asks our page to try the portal again; false when
    // it sees to loading the portal itself.
    std::function<bool()> BeforeRetry;

    // The user's browser, through the desktop's URI handler.
    static void OpenInUsersBrowser(GtkWidget* view, const std::string& uri);

private:
    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer);
    static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean OnWindowKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer self);
    static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error, gpointer self);
    static gboolean OnTlsErrors(WebKitWebView*, gchar* failingUri, GTlsCertificate*, GTlsCertificateFlags,
                                gpointer self);
    static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer self);
    static void OnLoadingShown(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self);

    bool DecideNavigation(WebKitNavigationPolicyDecision* decision, bool newWindow);
    bool DecideResponse(WebKitResponsePolicyDecision* decision);
    void ShowTrouble(PortalTrouble why, const std::string& problem = {});
    void ShowNoSandbox(GtkFixed* parent, const std::string& why);
    void WaitForLoadingPage(guint milliseconds);
    void LoadWaitingUrl();
    void OpenOutside(const char* uri);

    platform::linuxdesk::GObjectPtr<WebKitWebView> view_;
    std::unique_ptr<ScriptBridge> bridge_;
    UriOpener openOutside_;
    bool loadingPageInFlight_ = false;
    guint loadingPageWait_ = 0;
    // Tab out of the page: the window it went out to, and that key's time.
    GtkWidget* window_ = nullptr;
    guint32 lastTabTime_ = 0;
    std::optional<std::string> waitingUrl_;
    std::optional<std::string> waitingProblem_;
    bool onPortalPage_ = false; // the last page committed is of the portal's origin
    bool stopped_ = false;      // the web process ended and no portal page has shown since
    bool refusedTop_ = false;   // the top document's last response was not shown
    bool problemShown_ = false; // our page says what keeps the demo portal from starting
    std::string ownPageAsked_;  // the page of ours the view is on its way to
};

} // namespace app
