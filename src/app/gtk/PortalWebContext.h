#pragma once
// The web engine's set-up for the whole process, apart from any one view, as
// it must be in place before the first web process starts and outlives every
// view: the web process in its bubblewrap sandbox, nothing kept on disk, the
// client's own "res:" pages, every download refused, TLS errors failing, and
// caches and drawing sized for one gallery page.
#include <webkit2/webkit2.h>

#include <optional>
#include <string>

namespace app {

// The context every portal view uses, set up on first use. Main thread only.
WebKitWebContext* PortalWebContext();

// Settings for a portal view (a new reference).
WebKitSettings* NewPortalViewSettings();

// Why no web content may be shown in this process, if so: the sandbox cannot
// start here. The view then says so in place of the page, and loads nothing.
const std::optional<std::string>& SandboxTrouble();

// Tries `bubblewrap` as WebKit will use it; the reason when it fails.
std::optional<std::string> ProbeSandbox(const char* bubblewrap);

} // namespace app
