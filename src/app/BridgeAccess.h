#pragma once
// Which documents the portal view's script bridge serves. Anything else that
// ends up in the view (a followed link, an advert, a redirect) must not be able
// to make the client download files and change the desktop.
#include <optional>
#include <string>
#include <string_view>

namespace app {

// The loading page the program carries as a resource: "res://<file>/Loading",
// the running program's file name inserted as it is, without its folder.
std::string LoadingPageUrl(std::string_view programPath);

// True while the view's top-level document is on the portal home page's
// origin or is the loading page.
bool BridgeMayAnswer(std::string_view topLevelUrl, std::string_view loadingPageUrl);

// The same for one call whose caller the view may know: callerUrl is the
// calling document's address where the view could tell which document called
// (empty where it found the caller but could not read its address), nothing
// where it could not. A frame of another origin inside the portal is refused
// even though the top-level document is the portal's.
bool BridgeMayAnswerCaller(std::string_view topLevelUrl, const std::optional<std::string>& callerUrl,
                           std::string_view loadingPageUrl);

} // namespace app
