#pragma once
// The portal page's window.external: one method, downloadPic(request), whose
// last argument reaches the request handler. Only the top frame of a page of
// the portal's origin gets it.
//
// The page's script world defines window.external and hands the text over a
// DOM event to a private script world, which alone can post to the message
// handler. So neither a frame of another origin nor a page that reaches
// window.webkit.messageHandlers by itself can send a request; and the handler
// checks the view's page once more when a message arrives.
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace app {

class ScriptBridge {
public:
    using RequestHandler = std::function<void(const std::string& utf8Request)>;

    // The private script world and the message channel, for tests that try
    // to forge a message.
    static constexpr const char* kWorldName = "pictavo-bridge";
    static constexpr const char* kHandlerName = "pictavoDownload";

    // Installs the scripts for the portal home page's origin into the view's
    // content manager. The view must outlive the bridge.
    ScriptBridge(WebKitWebView* view, RequestHandler onRequest);
    ~ScriptBridge();
    ScriptBridge(const ScriptBridge&) = delete;
    ScriptBridge& operator=(const ScriptBridge&) = delete;

private:
    static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);

    WebKitWebView* view_;
    WebKitUserContentManager* manager_;
    RequestHandler onRequest_;
};

} // namespace app
