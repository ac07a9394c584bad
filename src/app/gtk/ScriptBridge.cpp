#include "app/gtk/ScriptBridge.h"

#include <optional>

#include "app/Endpoints.h"
#include "app/UrlOrigin.h"
#include "platform/linux/GLibPtr.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;

struct UserScriptUnref {
    void operator()(WebKitUserScript* s) const noexcept { webkit_user_script_unref(s); }
};
using UserScriptPtr = std::unique_ptr<WebKitUserScript, UserScriptUnref>;

constexpr char kEventName[] = "pictavo-download-pic";

// As a browser writes location.origin: the port only when not the scheme's own.
std::string SerializeOrigin(const UrlOrigin& origin)
{
    const bool defaultPort = (origin.scheme == "http" && origin.port == 80) ||
        (origin.scheme == "https" && origin.port == 443);
    return origin.scheme + "://" + origin.host + (defaultPort ? "" : ":" + std::to_string(origin.port));
}

// A JavaScript string literal of ASCII-only text (origins are ASCII).
std::string JsString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string PageWorldScript(const std::string& origin)
{
    return "(() => {\n"
           "  if (window.top !== window || location.origin !== " + JsString(origin) + ") return;\n"
           "  const external = Object.freeze({\n"
           "    downloadPic(...args) {\n"
           "      if (args.length === 0) throw new TypeError('downloadPic: a request string is required');\n"
           "      const request = args[args.length - 1];\n"
           "      if (typeof request !== 'string') throw new TypeError('downloadPic: the request must be a string');\n"
           "      document.dispatchEvent(new CustomEvent('" + std::string(kEventName) + "', {detail: request}));\n"
           "    }\n"
           "  });\n"
           "  Object.defineProperty(window, 'external', {value: external, enumerable: true});\n"
           "})();\n";
}

std::string BridgeWorldScript(const std::string& origin)
{
    return "(() => {\n"
           "  if (window.top !== window || location.origin !== " + JsString(origin) + ") return;\n"
           "  const post = window.webkit.messageHandlers." + std::string(ScriptBridge::kHandlerName) + ";\n"
           "  document.addEventListener('" + std::string(kEventName) + "', (event) => {\n"
           "    if (event.target === document && typeof event.detail === 'string') post.postMessage(event.detail);\n"
           "  });\n"
           "})();\n";
}

// The user-script URL pattern of the portal's host; the scripts check the
// port themselves, the pattern alone cannot.
std::string AllowPattern(const UrlOrigin& origin)
{
    return origin.scheme + "://" + origin.host + "/*";
}

} // namespace

ScriptBridge::ScriptBridge(WebKitWebView* view, RequestHandler onRequest)
    : view_(view), manager_(webkit_web_view_get_user_content_manager(view)), onRequest_(std::move(onRequest))
{
    g_signal_connect(manager_, (std::string("script-message-received::") + kHandlerName).c_str(),
                     G_CALLBACK(OnScriptMessage), this);
    webkit_user_content_manager_register_script_message_handler_in_world(manager_, kHandlerName, kWorldName);

    // Without a usable portal address no page gets the bridge.
    const std::optional<UrlOrigin> portal = ParseOrigin(PortalHomeUrl());
    if (!portal)
        return;
    const std::string origin = SerializeOrigin(*portal);
    const std::string pattern = AllowPattern(*portal);
    const char* const allow[] = {pattern.c_str(), nullptr};
    const UserScriptPtr pageScript(webkit_user_script_new(PageWorldScript(origin).c_str(),
                                                          WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                          WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow, nullptr));
    const UserScriptPtr bridgeScript(webkit_user_script_new_for_world(
        BridgeWorldScript(origin).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorldName, allow, nullptr));
    webkit_user_content_manager_add_script(manager_, bridgeScript.get());
    webkit_user_content_manager_add_script(manager_, pageScript.get());
}

ScriptBridge::~ScriptBridge()
{
    webkit_user_content_manager_unregister_script_message_handler_in_world(manager_, kHandlerName, kWorldName);
    g_signal_handlers_disconnect_by_data(manager_, this);
}

void ScriptBridge::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self)
{
    auto* bridge = static_cast<ScriptBridge*>(self);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(value))
        return;
    // The page may have moved on since the script posted; only the portal's
    // own page may ask for a download.
    const char* uri = webkit_web_view_get_uri(bridge->view_);
    if (!uri || !IsPortalPage(uri))
        return;
    const GCharPtr text(jsc_value_to_string(value));
    if (bridge->onRequest_)
        bridge->onRequest_(text.get());
}

} // namespace app
