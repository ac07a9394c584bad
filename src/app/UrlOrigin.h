#pragma once
// The origin (scheme, host, port) of an absolute http or https URL, read
// strictly for the script bridge, or as a web engine reads it for what the
// view may show.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

struct UrlOrigin {
    std::string scheme; // "http" or "https"
    std::string host;   // lower case; an IPv6 address keeps its brackets
    std::uint16_t port = 0;

    bool operator==(const UrlOrigin&) const = default;
};

// Strict: the script bridge decides on it, so anything unusual is no origin.
std::optional<UrlOrigin> ParseOrigin(std::string_view url);

// Also hosts a web engine loads that the strict reading refuses: an
// international name (held in its ASCII "xn--" form, as engines report it)
// and an IPv6 address with a zone ("[fe80::1%25eth0]", zone kept as written).
// Only for deciding what the view shows, never the bridge.
std::optional<UrlOrigin> ParseEngineOrigin(std::string_view url);

} // namespace app
