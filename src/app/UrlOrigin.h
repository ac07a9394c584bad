#pragma once
// The origin (scheme, host, port) of an absolute http or https URL, read
// strictly: the script bridge decides on it, so anything unusual is no origin.
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

std::optional<UrlOrigin> ParseOrigin(std::string_view url);

} // namespace app
