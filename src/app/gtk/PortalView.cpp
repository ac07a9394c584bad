#include "app/gtk/PortalView.h"

#include <gdk/gdkkeysyms.h>

#include <cstdint>
#include <cstdlib>

#include "app/Endpoints.h"
#include "app/gtk/LoadingScheme.h"
#include "app/gtk/UnreachablePage.h"

namespace app {

namespace {

using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

// WebKit stops painting the old page once the next navigation starts, and the
// loading page's first frames may come before its picture is decoded. So the
// portal waits until the view, drawn as it would be on screen, shows the
// picture. One that never shows holds the portal back no longer than
// kPictureWaitUs.
constexpr gint64 kPictureWaitUs = 5 * G_USEC_PER_SEC;
constexpr guint kPictureLookIntervalMs = 40;

struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const noexcept { cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const noexcept { cairo_destroy(c); }
};

// Whether the middle of the view (where the page centres its 47 x 39 picture)
// holds something other than the page's background, read at a corner.
bool ShowsPictureInMiddle(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width < 60 || height < 50)
        return false;
    const auto pixel = [&](int x, int y) {
        return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4) & 0xFFFFFFu;
    };
    const auto near = [](std::uint32_t a, std::uint32_t b) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 16)
                return false;
        return true;
    };
    const std::uint32_t background = pixel(2, 2);
    int dots = 0;
    for (int y = height / 2 - 20; y < height / 2 + 20; ++y)
        for (int x = width / 2 - 24; x < width / 2 + 24; ++x)
            dots += near(pixel(x, y), background) ? 0 : 1;
    return dots > 20;
}

// The view's last frame as the window shows it, read from our side, not a
// fresh rendering by the web process, which would decode the picture for
// itself and prove nothing about the screen.
bool DrawsPicture(GtkWidget* widget)
{
    const int width = gtk_widget_get_allocated_width(widget);
    const int height = gtk_widget_get_allocated_height(widget);
    if (!gtk_widget_is_drawable(widget) || width <= 0 || height <= 0)
        return false;
    const std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    {
        const std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface.get()));
        gtk_widget_draw(widget, cr.get());
    }
    return ShowsPictureInMiddle(surface.get());
}

constexpr char kNoSelection[] = "* { -webkit-user-select: none; user-select: none; }";

struct StyleSheetUnref {
    void operator()(WebKitUserStyleSheet* s) const noexcept { webkit_user_style_sheet_unref(s); }
};

// Only web addresses leave the program; anything else a page names (file:,
// custom handlers) could start local programs.
bool IsWebAddress(const char* uri)
{
    const char* scheme = uri ? g_uri_peek_scheme(uri) : nullptr;
    return scheme && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https"));
}

} // namespace

PortalView::PortalView(GtkFixed* parent, RequestHandler onRequest, UriOpener openOutside)
    : openOutside_(std::move(openOutside))
{
    RegisterLoadingScheme();

    // A content manager of its own, so the bridge's scripts reach this view only.
    const GObjectPtr<WebKitUserContentManager> manager(webkit_user_content_manager_new());
    const std::unique_ptr<WebKitUserStyleSheet, StyleSheetUnref> noSelection(
        webkit_user_style_sheet_new(kNoSelection, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER,
                                    nullptr, nullptr));
    webkit_user_content_manager_add_style_sheet(manager.get(), noSelection.get());

    view_.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                                               webkit_web_context_get_default(),
                                                               "user-content-manager", manager.get(), nullptr))));
    bridge_ = std::make_unique<ScriptBridge>(view_.get(), std::move(onRequest));

    g_signal_connect(view_.get(), "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_.get(), "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(view_.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_.get(), "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view_.get(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_.get(), "load-failed", G_CALLBACK(OnLoadFailed), this);

    GtkWidget* widget = GTK_WIDGET(view_.get());
    gtk_widget_set_size_request(widget, kWidth, kHeight);
    gtk_fixed_put(parent, widget, kLeft, kTop);
    gtk_widget_show(widget);
}

PortalView::~PortalView()
{
    if (lookForPicture_)
        g_source_remove(lookForPicture_);
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    bridge_.reset();
    // Out of the window, if the window still stands; our reference frees it.
    GtkWidget* widget = GTK_WIDGET(view_.get());
    if (GtkWidget* parent = gtk_widget_get_parent(widget))
        gtk_container_remove(GTK_CONTAINER(parent), widget);
}

void PortalView::Navigate(const std::string& url)
{
    if (loadingPageInFlight_) {
        waitingUrl_ = url;
        waitingProblem_.reset();
        return;
    }
    loadingPageInFlight_ = IsLoadingPageUrl(url);
    loadingPageFailed_ = false;
    webkit_web_view_load_uri(view_.get(), url.c_str());
}

void PortalView::ShowUnreachable(const std::string& problem)
{
    if (loadingPageInFlight_) {
        waitingProblem_ = problem;
        waitingUrl_.reset();
        return;
    }
    const std::string page = UnreachablePage(PortalHomeUrl(), problem);
    webkit_web_view_load_alternate_html(view_.get(), page.c_str(), PortalHomeUrl().c_str(),
                                        UnreachablePageBaseUrl().c_str());
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

gboolean PortalView::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer)
{
    // Ctrl+N with Ctrl as the only modifier never reaches the page.
    const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    return modifiers == GDK_CONTROL_MASK && (event->keyval == GDK_KEY_n || event->keyval == GDK_KEY_N);
}

gboolean PortalView::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                    gpointer self)
{
    if (type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        return FALSE;
    static_cast<PortalView*>(self)->OpenOutside(
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

GtkWidget* PortalView::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer self)
{
    static_cast<PortalView*>(self)->OpenOutside(action);
    return nullptr; // never a second view
}

void PortalView::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (event != WEBKIT_LOAD_FINISHED || !view->loadingPageInFlight_)
        return;
    // A failed load finishes too: a broken loading page has no picture to wait for.
    view->pictureDeadline_ = g_get_monotonic_time() + (view->loadingPageFailed_ ? 0 : kPictureWaitUs);
    if (!view->lookForPicture_)
        view->lookForPicture_ = g_timeout_add(kPictureLookIntervalMs, OnLookForPicture, view);
}

gboolean PortalView::OnLoadFailed(WebKitWebView* web, WebKitLoadEvent, gchar* failingUri, GError* error,
                                  gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (view->loadingPageInFlight_) {
        view->loadingPageFailed_ = true;
        return FALSE;
    }
    // Cancelled loads were superseded by another navigation, and policy
    // errors are the view's own decisions (a download, an ignored request):
    // neither means the portal is out of reach.
    if (!error || g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        error->domain == WEBKIT_POLICY_ERROR || !failingUri || !IsPortalPage(failingUri))
        return FALSE;
    const std::string page = UnreachablePage(PortalHomeUrl());
    webkit_web_view_load_alternate_html(web, page.c_str(), failingUri, UnreachablePageBaseUrl().c_str());
    return TRUE;
}

gboolean PortalView::OnLookForPicture(gpointer self)
{
    auto* view = static_cast<PortalView*>(self);
    if (!DrawsPicture(GTK_WIDGET(view->view_.get())) && g_get_monotonic_time() < view->pictureDeadline_)
        return G_SOURCE_CONTINUE;
    view->lookForPicture_ = 0;
    view->LoadWaitingUrl();
    return G_SOURCE_REMOVE;
}

void PortalView::LoadWaitingUrl()
{
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

void PortalView::OpenOutside(WebKitNavigationAction* action)
{
    WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (IsWebAddress(uri) && openOutside_)
        openOutside_(GTK_WIDGET(view_.get()), uri);
}

} // namespace app
