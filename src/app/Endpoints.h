#pragma once
// Where the client talks to: the portal home page and the companion service's
// status port. Both are fixed at build time; tests move them through the
// environment so they can run beside a real client.
#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// PICTAVO_PORTAL_URL from the environment when set and not empty, otherwise
// the build's default.
std::string PortalHomeUrl();

// PICTAVO_STATUS_PORT from the environment when it holds a port number
// (1-65535), otherwise StatusPort.
std::uint16_t StatusPortSetting();

// Where pictavo-demo-portal answers when started without options.
inline constexpr std::uint16_t kDemoPortalPort = 17598;

// Whether `url` is where pictavo-demo-portal answers when started without
// options, so an unreachable portal can name the program to start.
bool IsDemoPortal(std::string_view url);

// Whether the client is to see to the demo portal itself: its home page is
// the demo portal's by the build's default, not because the user named it.
bool StartsDemoPortal();

// Whether a page at `url` may use the script bridge: only pages of the portal
// home page's origin (scheme, host and port).
bool IsPortalPage(std::string_view url);

// Whether the view shows a page at `url` as the portal's: the portal home
// page's origin as a web engine reads both, so a host the bridge refuses
// still shows.
bool IsPortalAddress(std::string_view url);

} // namespace app
