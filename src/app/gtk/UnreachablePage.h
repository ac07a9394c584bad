#pragma once
// The page the portal view shows in place of the portal when it cannot show
// it: what went wrong, where, and a way to try again.
#include <string>

namespace app {

enum class PortalTrouble {
    NoAnswer,       // the portal did not answer, or sent the view elsewhere
    BadCertificate, // its TLS certificate is not valid
    ViewStopped,    // the web process ended
};

// The page for a portal home page at `address`, in the program's look and
// language. Without a problem it offers to try again; with one (the demo
// portal could not start) it says what stands in the way instead.
std::string UnreachablePage(const std::string& address, PortalTrouble why = PortalTrouble::NoAnswer,
                            const std::string& problem = {});

} // namespace app
