#include "app/UrlOrigin.h"

#include <charconv>

#include "util/TextUtil.h"

namespace app {

namespace {

bool IsHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

} // namespace

std::optional<UrlOrigin> ParseOrigin(std::string_view url)
{
    const auto mark = url.find("://");
    if (mark == std::string_view::npos)
        return std::nullopt;
    UrlOrigin origin;
    origin.scheme = text::AsciiLower(url.substr(0, mark));
    if (origin.scheme == "http")
        origin.port = 80;
    else if (origin.scheme == "https")
        origin.port = 443;
    else
        return std::nullopt;

    std::string_view authority = url.substr(mark + 3);
    authority = authority.substr(0, authority.find_first_of("/?#\\"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority = authority.substr(at + 1);

    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            port = rest.substr(1);
        }
        for (char c : host.substr(1, host.size() - 2))
            if (!(IsHostChar(text::AsciiLower(c)) || c == ':'))
                return std::nullopt;
    } else {
        if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
        for (char c : host)
            if (!IsHostChar(text::AsciiLower(c)))
                return std::nullopt;
    }
    if (host.empty() || host == "[]")
        return std::nullopt;
    origin.host = text::AsciiLower(host);

    if (!port.empty()) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
            return std::nullopt;
        origin.port = static_cast<std::uint16_t>(value);
    }
    return origin;
}

} // namespace app
