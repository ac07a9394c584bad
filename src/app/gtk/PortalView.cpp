#include "app/gtk/PortalView.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gi18n.h>

#include <utility>

#include "app/Endpoints.h"
#include "app/NavigationPolicy.h"
#include "app/gtk/LoadingScheme.h"
#include "app/gtk/PortalWebContext.h"
#include "util/TextUtil.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

// A loading page whose picture never shows holds the portal back no longer.
constexpr guint kLoadingPageWaitMs = 5000;

constexpr char kNoSelection[] = "* { -webkit-user-select: none; user-select: none; }";

// Runs in a script world of its own on our "res:" pages only, so no portal
// page can reach the handler. Two frames after the load the picture has been
// painted, and WebKit keeps the old page on the screen until the next one
// draws: the portal may be asked for now.
constexpr char kLoadingShownScript[] =
    "addEventListener('load', () => requestAnimationFrame(() => requestAnimationFrame(() =>"
    " window.webkit.messageHandlers.pictavoLoadingShown.postMessage(''))));";

struct StyleSheetUnref {
    void operator()(WebKitUserStyleSheet* s) const noexcept { webkit_user_style_sheet_unref(s); }
};
struct UserScriptUnref {
    void operator()(WebKitUserScript* s) const noexcept { webkit_user_script_unref(s); }
};

// A response the page would save rather than show.
bool IsAttachment(WebKitURIResponse* response)
{
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* value = headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    if (!value)
        return false;
    const std::string disposition = value;
    const auto start = disposition.find_first_not_of(" \t");
    if (start == std::string::npos)
        return false;
    const auto end = disposition.find_first_of("; \t", start);
    return g_ascii_strcasecmp(disposition.substr(start, end - start).c_str(), "attachment") == 0;
}

gboolean DenyPermission(WebKitWebView*, WebKitPermissionRequest* request, gpointer)
{
    webkit_permission_request_deny(request); // location, notifications, camera, microphone, pointer lock, ...
    return TRUE;
}

gboolean RefuseAuthentication(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer)
{
    webkit_authentication_request_cancel(request); // no password dialog over the portal
    return TRUE;
}

gboolean RefuseFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer)
{
    webkit_file_chooser_request_cancel(request); // no page reads the user's files
    return TRUE;
}

} // namespace

PortalView::PortalView(GtkFixed* parent, RequestHandler onRequest, UriOpener openOutside)
    : openOutside_(std::move(openOutside))
{
    // A content manager of its own, so the bridge's scripts reach this view only.
    const GObjectPtr<WebKitUserContentManager> manager(webkit_user_content_manager_new());
    const std::unique_ptr<WebKitUserStyleSheet, StyleSheetUnref> noSelection(
        webkit_user_style_sheet_new(kNoSelection, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER,
                                    nullptr, nullptr));
    webkit_user_content_manager_add_style_sheet(manager.get(), noSelection.get());
    const std::string ownPages = OwnPagesPrefix() + "*";
    const char* const ownOnly[] = {ownPages.c_str(), nullptr};
    const std::unique_ptr<WebKitUserScript, UserScriptUnref> loadingShown(webkit_user_script_new_for_world(
        kLoadingShownScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
        kLoadingWorld, ownOnly, nullptr));
    webkit_user_content_manager_add_script(manager.get(), loadingShown.get());
    g_signal_connect(manager.get(), (std::string("script-message-received::") + kLoadingShownHandler).c_str(),
                     G_CALLBACK(OnLoadingShown), this);
    webkit_user_content_manager_register_script_message_handler_in_world(manager.get(), kLoadingShownHandler,
                                                                         kLoadingWorld);

    const GObjectPtr<WebKitSettings> settings(NewPortalViewSettings());
    view_.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                                               PortalWebContext(), "settings", settings.get(),
                                                               "user-content-manager", manager.get(), nullptr))));
    bridge_ = std::make_unique<ScriptBridge>(view_.get(), std::move(onRequest));

    g_signal_connect(view_.get(), "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_.get(), "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(view_.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_.get(), "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view_.get(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_.get(), "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view_.get(), "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
    g_signal_connect(view_.get(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
    g_signal_connect(view_.get(), "permission-request", G_CALLBACK(DenyPermission), nullptr);
    g_signal_connect(view_.get(), "authenticate", G_CALLBACK(RefuseAuthentication), nullptr);
    g_signal_connect(view_.get(), "run-file-chooser", G_CALLBACK(RefuseFileChooser), nullptr);

    GtkWidget* widget = GTK_WIDGET(view_.get());
    gtk_widget_set_size_request(widget, kWidth, kHeight);
    gtk_fixed_put(parent, widget, kLeft, kTop);
    if (const auto& trouble = SandboxTrouble())
        ShowNoSandbox(parent, *trouble);
    else
        gtk_widget_show(widget);
}

PortalView::~PortalView()
{
    if (window_) {
        g_signal_handlers_disconnect_by_data(window_, this);
        g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
    }
    if (loadingPageWait_)
        g_source_remove(loadingPageWait_);
    WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(view_.get());
    g_signal_handlers_disconnect_by_data(manager, this);
    webkit_user_content_manager_unregister_script_message_handler_in_world(manager, kLoadingShownHandler,
                                                                           kLoadingWorld);
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    bridge_.reset();
    // Out of the window, if the window still stands; our reference frees it.
    GtkWidget* widget = GTK_WIDGET(view_.get());
    if (GtkWidget* parent = gtk_widget_get_parent(widget))
        gtk_container_remove(GTK_CONTAINER(parent), widget);
}

void PortalView::Navigate(const std::string& url)
{
    if (SandboxTrouble())
        return;
    if (loadingPageInFlight_) {
        waitingUrl_ = url;
        waitingProblem_.reset();
        return;
    }
    loadingPageInFlight_ = IsLoadingPageUrl(url);
    if (IsOwnPageUrl(url))
        ownPageAsked_ = url;
    if (loadingPageInFlight_)
        WaitForLoadingPage(kLoadingPageWaitMs);
    webkit_web_view_load_uri(view_.get(), url.c_str());
}

void PortalView::ReturnToPortal()
{
    // What stands in the way of the demo portal does not go by itself.
    const char* uri = webkit_web_view_get_uri(view_.get());
    if (!loadingPageInFlight_ && !problemShown_ && PortalNeedsReload(stopped_, uri ? uri : ""))
        Navigate(PortalHomeUrl());
}

void PortalView::ShowUnreachable(const std::string& problem)
{
    if (loadingPageInFlight_) {
        waitingProblem_ = problem;
        waitingUrl_.reset();
        return;
    }
    ShowTrouble(PortalTrouble::NoAnswer, problem);
}

void PortalView::OpenInUsersBrowser(GtkWidget* view, const std::string& uri)
{
    GtkWidget* top = view ? gtk_widget_get_toplevel(view) : nullptr;
    GError* raw = nullptr;
    if (!gtk_show_uri_on_window(top && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, uri.c_str(),
                                GDK_CURRENT_TIME, &raw)) {
        const GErrorPtr error(raw);
        g_warning("Cannot open %s in the browser: %s", uri.c_str(), error ? error->message : "unknown error");
    }
}

gboolean PortalView::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer)
{
    return TRUE; // no menu at all, neither WebKit's nor one of ours
}

namespace {

bool IsTab(guint key)
{
    return key == GDK_KEY_Tab || key == GDK_KEY_ISO_Left_Tab || key == GDK_KEY_KP_Tab;
}

} // namespace

gboolean PortalView::OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (IsTab(event->keyval)) {
        view->lastTabTime_ = event->time;
        GtkWidget* window = gtk_widget_get_toplevel(widget);
        if (!view->window_ && GTK_IS_WINDOW(window)) {
            view->window_ = window;
            g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&view->window_));
            g_signal_connect(window, "key-press-event", G_CALLBACK(OnWindowKeyPress), view);
        }
    }

    // Ctrl+N with Ctrl as the only modifier never reaches the page.
    const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    return modifiers == GDK_CONTROL_MASK && (event->keyval == GDK_KEY_n || event->keyval == GDK_KEY_N);
}

// A Tab at the end of the page moves the focus out of the view, and the
// page then hands the same key back to the window, whose own Tab would move
// it once more (past the first control after the page).
gboolean PortalView::OnWindowKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self)
{
    const auto* view = static_cast<PortalView*>(self);
    return IsTab(event->keyval) && event->time == view->lastTabTime_ &&
           gtk_window_get_focus(GTK_WINDOW(window)) != GTK_WIDGET(view->view_.get());
}

gboolean PortalView::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                    gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    bool go = false;
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        go = view->DecideNavigation(WEBKIT_NAVIGATION_POLICY_DECISION(decision),
                                    type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION);
        break;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        go = view->DecideResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
        break;
    }
    if (go)
        webkit_policy_decision_use(decision);
    else
        webkit_policy_decision_ignore(decision);
    return TRUE;
}

// window.open() asks for a view at once, without a policy decision.
GtkWidget* PortalView::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self)
{
    WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (uri && DecideNewWindow(uri, webkit_navigation_action_is_user_gesture(action)) == NavigationAction::OpenInBrowser)
        static_cast<PortalView*>(self)->OpenOutside(uri);
    return nullptr; // never a second view
}

// WebKit does not tell whether a navigation is the top document's or a
// frame's. So here only what the user clicked elsewhere is sent to the
// browser; everything else goes on, and its response decides.
bool PortalView::DecideNavigation(WebKitNavigationPolicyDecision* decision, bool newWindow)
{
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(decision);
    WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (!uri)
        return false;
    // about: pages load without a response to check, and a frame starts on
    // about:blank anyway: only srcdoc frames need one.
    if (g_str_has_prefix(uri, "about:") && !g_str_equal(uri, "about:srcdoc"))
        return false;
    // Our own pages come only when the view asks for them: a page that sent
    // the view to the loading page would leave it there.
    if (IsOwnPageUrl(uri))
        return !newWindow && text::SameText(uri, std::exchange(ownPageAsked_, {}));
    const char* current = webkit_web_view_get_uri(view_.get());
    if (!newWindow && current && IsOwnPageUrl(current) && uri == PortalHomeUrl() && BeforeRetry && !BeforeRetry())
        return false;
    const bool userAsked = webkit_navigation_action_is_user_gesture(action);
    const bool toBrowser = (newWindow ? DecideNewWindow(uri, userAsked)
                                      : DecideMainFrameNavigation(uri, userAsked, LoadingPageUrl())) ==
        NavigationAction::OpenInBrowser;
    if (toBrowser)
        OpenOutside(uri);
    return !newWindow && !toBrowser; // never a second view
}

bool PortalView::DecideResponse(WebKitResponsePolicyDecision* decision)
{
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    const char* uri = webkit_uri_response_get_uri(response);
    const bool top = webkit_response_policy_decision_is_main_frame_main_resource(decision);
    const bool ours = uri && (IsOwnPageUrl(uri) ||
                              DecideMainFrameNavigation(uri, false, LoadingPageUrl()) == NavigationAction::Allow);
    // What the view would save rather than show is never even started.
    const bool show = !IsAttachment(response) && webkit_response_policy_decision_is_mime_type_supported(decision) &&
        (!top || ours);
    if (top && !show)
        refusedTop_ = true;
    return show;
}

void PortalView::OnLoadChanged(WebKitWebView* web, WebKitLoadEvent event, gpointer self)
{
    if (event != WEBKIT_LOAD_COMMITTED)
        return;
    auto* view = static_cast<PortalView*>(self);
    const char* uri = webkit_web_view_get_uri(web);
    view->onPortalPage_ = uri && IsPortalAddress(uri);
    if (view->onPortalPage_)
        view->stopped_ = false;
}

gboolean PortalView::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error, gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (view->loadingPageInFlight_) {
        view->WaitForLoadingPage(0); // a broken loading page has no picture to wait for
        return TRUE;
    }
    // Cancelled loads were superseded by another navigation, and policy
    // errors are the view's own decisions (a download, an address outside
    // the portal): neither means the portal is out of reach, unless the view
    // has no portal page to stay on. WebKit's own error page is never shown:
    // it would take the view to another address.
    const bool refused = std::exchange(view->refusedTop_, false);
    if (!error || g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
        return TRUE;
    if (error->domain == WEBKIT_POLICY_ERROR) {
        if (refused && !view->onPortalPage_) {
            g_warning("The portal's address led to %s, which the view does not show", failingUri ? failingUri : "?");
            view->ShowTrouble(PortalTrouble::NoAnswer);
        }
        return TRUE;
    }
    if (failingUri && IsPortalAddress(failingUri))
        view->ShowTrouble(PortalTrouble::NoAnswer);
    return TRUE;
}

gboolean PortalView::OnTlsErrors(WebKitWebView*, gchar* failingUri, GTlsCertificate*, GTlsCertificateFlags,
                                 gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (failingUri && IsPortalAddress(failingUri))
        view->ShowTrouble(PortalTrouble::BadCertificate);
    return TRUE; // the load failed; nothing else is shown in its place
}

void PortalView::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    g_warning("The portal view's web process ended (%s)",
              reason == WEBKIT_WEB_PROCESS_CRASHED                 ? "crashed"
                  : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? "memory limit"
                                                                       : "ended by the program");
    if (view->loadingPageWait_)
        g_source_remove(view->loadingPageWait_);
    view->loadingPageWait_ = 0;
    view->loadingPageInFlight_ = false;
    view->waitingUrl_.reset();
    view->waitingProblem_.reset();
    // Ended again before a portal page showed: stay empty rather than start
    // web processes in a loop. Showing the window again tries once more.
    if (view->stopped_)
        return;
    view->stopped_ = true;
    view->ShowTrouble(PortalTrouble::ViewStopped);
}

void PortalView::OnLoadingShown(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    const char* uri = webkit_web_view_get_uri(view->view_.get());
    if (view->loadingPageInFlight_ && uri && IsLoadingPageUrl(uri))
        view->LoadWaitingUrl();
}

void PortalView::ShowTrouble(PortalTrouble why, const std::string& problem)
{
    if (SandboxTrouble())
        return;
    problemShown_ = !problem.empty();
    // Under our own address, so the page never counts as the portal.
    const std::string page = UnreachablePage(PortalHomeUrl(), why, problem);
    const std::string own = UnreachablePageBaseUrl();
    ownPageAsked_ = own;
    webkit_web_view_load_alternate_html(view_.get(), page.c_str(), own.c_str(), own.c_str());
}

void PortalView::ShowNoSandbox(GtkFixed* parent, const std::string& why)
{
    // Without the sandbox no web process may start, not even for a page of
    // ours: a label takes the view's place.
    const GCharPtr markup(g_markup_printf_escaped("<b>%s</b>\n\n%s\n\n<small>%s</small>", _("The portal is not shown"),
                                                  _("The web sandbox (bubblewrap) cannot start on this system."),
                                                  why.c_str()));
    GtkWidget* notice = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(notice), markup.get());
    gtk_label_set_justify(GTK_LABEL(notice), GTK_JUSTIFY_CENTER);
    gtk_label_set_line_wrap(GTK_LABEL(notice), TRUE);
    gtk_widget_set_size_request(notice, kWidth, kHeight);
    gtk_fixed_put(parent, notice, kLeft, kTop);
    gtk_widget_show(notice);
}

void PortalView::WaitForLoadingPage(guint milliseconds)
{
    if (loadingPageWait_)
        g_source_remove(loadingPageWait_);
    loadingPageWait_ = g_timeout_add(
        milliseconds,
        [](gpointer self) -> gboolean {
            auto* view = static_cast<PortalView*>(self);
            view->loadingPageWait_ = 0;
            view->LoadWaitingUrl();
            return G_SOURCE_REMOVE;
        },
        this);
}

void PortalView::LoadWaitingUrl()
{
    if (loadingPageWait_)
        g_source_remove(loadingPageWait_);
    loadingPageWait_ = 0;
    loadingPageInFlight_ = false;
    if (waitingUrl_) {
        const std::string next = std::move(*waitingUrl_);
        waitingUrl_.reset();
        Navigate(next);
    } else if (waitingProblem_) {
        const std::string problem = std::move(*waitingProblem_);
        waitingProblem_.reset();
        ShowUnreachable(problem);
    }
}

void PortalView::OpenOutside(const char* uri)
{
    if (const auto safe = BrowserUrl(uri); safe && openOutside_)
        openOutside_(GTK_WIDGET(view_.get()), *safe);
}

} // namespace app
