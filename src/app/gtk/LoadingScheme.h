#pragma once
// The "res:" scheme of the portal view: the loading page and its picture,
// served from the program's compiled-in resources, so the page's relative
// "LoadGif" finds the picture beside it as it does on Windows.
#include <webkit2/webkit2.h>

#include <string>

namespace app {

inline constexpr char kOwnScheme[] = "res";

// Answers a "res:" request from the program's resources; the web context
// registers it for kOwnScheme.
void ServeOwnResource(WebKitURISchemeRequest* request, gpointer);

// "res://<program file name>/Loading".
std::string LoadingPageUrl();

// Where the view's own error page says it comes from: the "res:" scheme, so
// it is never of the portal's origin and never gets the script bridge.
std::string UnreachablePageBaseUrl();

// "res://<program file name>/": every page of the client's own.
std::string OwnPagesPrefix();

bool IsLoadingPageUrl(const std::string& url);
// A page of ours: only our handler answers "res:".
bool IsOwnPageUrl(const std::string& url);

} // namespace app
