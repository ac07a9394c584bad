#include "app/gtk/PortalWebContext.h"

#include "app/gtk/LoadingScheme.h"
#include "platform/linux/GLibPtr.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;

// Where WebKit looks for bubblewrap; it knows no other place.
constexpr const char* kBubblewrap = "/usr/bin/bwrap";

void RefuseDownload(WebKitWebContext*, WebKitDownload* download, gpointer)
{
    // Pictures come through the bridge only: nothing a page offers is saved,
    // and no place to save it is ever chosen.
    g_signal_connect(download, "decide-destination",
                     G_CALLBACK(+[](WebKitDownload*, gchar*, gpointer) -> gboolean { return TRUE; }), nullptr);
    WebKitURIRequest* request = webkit_download_get_request(download);
    g_debug("Refused a download of %s", request ? webkit_uri_request_get_uri(request) : "?");
    webkit_download_cancel(download);
}

WebKitWebContext* CreateContext()
{
    // Ephemeral: no page leaves cookies, caches or storage under $HOME.
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_sandbox_enabled(context, TRUE);
    // One page and no history to go back to: the smallest caches.
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    webkit_website_data_manager_set_tls_errors_policy(webkit_web_context_get_website_data_manager(context),
                                                      WEBKIT_TLS_ERRORS_POLICY_FAIL);
    webkit_web_context_register_uri_scheme(context, kOwnScheme, ServeOwnResource, nullptr, nullptr);
    g_signal_connect(context, "download-started", G_CALLBACK(RefuseDownload), nullptr);
    return context;
}

} // namespace

// WebKit starts web processes in bubblewrap with new namespaces. Where that
// cannot work (no user namespaces, a restricted container) every web process
// would die at once, and the view would look like a portal that does not
// answer. One try with the same namespaces tells us beforehand.
std::optional<std::string> ProbeSandbox(const char* bubblewrap)
{
    if (g_getenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS")) {
        g_warning("The web sandbox is turned off by WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS");
        return std::nullopt;
    }
    if (g_file_test("/.flatpak-info", G_FILE_TEST_EXISTS))
        return std::nullopt; // Flatpak's own sandbox takes over
    const char* argv[] = {bubblewrap, "--ro-bind", "/", "/", "--unshare-all", "--die-with-parent",
                          "/bin/true", nullptr};
    gchar* rawErr = nullptr;
    gint status = 0;
    GError* raw = nullptr;
    const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr,
                                  nullptr, nullptr, &rawErr, &status, &raw);
    const GErrorPtr error(raw);
    const GCharPtr stderrText(rawErr);
    GError* rawExit = nullptr;
    if (ran && g_spawn_check_wait_status(status, &rawExit))
        return std::nullopt;
    const GErrorPtr exitError(rawExit);
    std::string why = error ? error->message
        : stderrText && *stderrText.get() ? stderrText.get()
        : exitError ? exitError->message : "unknown failure";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
        why.pop_back();
    g_warning("The web sandbox cannot start (%s: %s); the portal is not shown", bubblewrap, why.c_str());
    return why;
}

WebKitWebContext* PortalWebContext()
{
    // Kept for the whole process: its web processes outlive any one view.
    static WebKitWebContext* const context = CreateContext();
    return context;
}

WebKitSettings* NewPortalViewSettings()
{
    // Drawn in software: a gallery page gains nothing from compositing, which
    // costs the web process about 75 MB of buffers. No back-forward cache:
    // the view never goes back.
    return webkit_settings_new_with_settings("hardware-acceleration-policy", WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER,
                                             "enable-page-cache", FALSE, nullptr);
}

const std::optional<std::string>& SandboxTrouble()
{
    static const std::optional<std::string> trouble = ProbeSandbox(kBubblewrap);
    return trouble;
}

} // namespace app
