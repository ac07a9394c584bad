#pragma once
// Which documents the portal view's script bridge serves. Anything else that
// ends up in the view (a followed link, an advert, a redirect) must not be able
// to make the client download files and change the desktop.
#include <string>
#include <string_view>

namespace app {

// The loading page the program carries as a resource: "res://<file>/Loading",
// the running program's file name inserted as it is, without its folder.
std::string LoadingPageUrl(std::string_view programPath);

// True while the view's top-level document is on the portal home page's
// origin or is the loading page.
bool BridgeMayAnswer(std::string_view topLevelUrl, std::string_view loadingPageUrl);

} // namespace app
