#pragma once
// Where the portal view's top document may go. It shows the portal's origin
// and the client's own pages only: the window has no address bar or back
// button, so a page that took the view elsewhere would keep it until a
// restart. What the user clicked opens in the user's browser instead;
// whatever a script, a redirect or a refresh asked for is ignored.
#include <string_view>

namespace app {

enum class TopNavigation { Show, OpenInBrowser, Ignore };

// `ownPages`: the address prefix of the client's own pages ("res://<file>/"),
// compared without regard to case; empty when there are none.
TopNavigation DecideTopNavigation(std::string_view url, bool userAsked, std::string_view ownPages);

// Whether a request for a new window opens `url` in the user's browser: only
// one the user asked for, and only an http or https address with a host (a
// page must not start local programs through file: or custom handlers).
bool OpensInBrowser(std::string_view url, bool userAsked);

} // namespace app
