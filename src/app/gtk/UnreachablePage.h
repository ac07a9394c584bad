#pragma once
// The page the portal view shows in place of WebKit's own error page when the
// portal does not answer: what went wrong, where, and a way to try again.
#include <string>

namespace app {

// The page for a portal home page at `address`, in the program's look and
// language. Without a problem it offers to try again; with one (the demo
// portal could not start) it says what stands in the way instead.
std::string UnreachablePage(const std::string& address, const std::string& problem = {});

} // namespace app
