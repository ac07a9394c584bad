#pragma once
// Where the portal view may go. The view has no address bar and no back
// button: whatever replaces the portal in its main frame stays until a
// restart, so only the portal, the client's own pages and script inside them
// may be shown there. What the user clicks elsewhere opens in their browser.
#include <optional>
#include <string>
#include <string_view>

namespace app {

enum class NavigationAction {
    Allow,         // let the view go there
    OpenInBrowser, // refuse it here, hand it to the user's browser
    Ignore,        // refuse it, nothing else
};

// A navigation of the view's main frame. userAsked: the user's own click or
// key started it, not a script, a timer or another document.
NavigationAction DecideMainFrameNavigation(std::string_view url, bool userAsked, std::string_view loadingPageUrl);

// Whether a view shown again should load the portal: after a failed load of
// its main frame, or when it is not on the portal. A portal page stays as it is.
bool PortalNeedsReload(bool mainFrameLoadFailed, std::string_view mainFrameUrl);

// A page asks for a new window: never one of ours.
NavigationAction DecideNewWindow(std::string_view url, bool userAsked);

// The text to hand to the desktop for an http or https address: everything
// outside printable ASCII, and the characters a browser's command line could
// split or quote on, percent-encoded. Nothing for any other address.
std::optional<std::string> BrowserUrl(std::string_view url);

} // namespace app
