#include "app/UrlOrigin.h"

#include <charconv>

#include "util/TextUtil.h"

namespace app {

namespace {

bool IsHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The user part before "@": the characters URLs allow there, "%" only as an
// escape. Parsers split a text with a second "@" differently, so none may
// be in it.
bool IsUserInfo(std::string_view s)
{
    constexpr std::string_view kMarks = "_~!$&'()*+,;=:";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '%') {
            if (i + 2 >= s.size() || !IsHexDigit(s[i + 1]) || !IsHexDigit(s[i + 2]))
                return false;
            i += 2;
        } else if (!IsHostChar(text::AsciiLower(c)) && kMarks.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool IsIpv4(std::string_view s)
{
    int parts = 0;
    while (true) {
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9' && digits < 3)
            value = value * 10 + static_cast<unsigned>(s[digits++] - '0');
        if (digits == 0 || value > 255 || (digits > 1 && s[0] == '0'))
            return false;
        ++parts;
        s.remove_prefix(digits);
        if (s.empty())
            return parts == 4;
        if (s.front() != '.' || parts == 4)
            return false;
        s.remove_prefix(1);
    }
}

// An IPv6 address between the brackets: groups of one to four hex digits,
// at most one "::", an IPv4 address in place of the last two groups.
bool IsIpv6(std::string_view s)
{
    int groups = 0;
    bool shortened = false;
    if (s.starts_with("::")) {
        shortened = true;
        s.remove_prefix(2);
    }
    while (!s.empty()) {
        std::size_t digits = 0;
        while (digits < s.size() && digits < 5 && IsHexDigit(s[digits]))
            ++digits;
        if (digits < s.size() && s[digits] == '.') {
            if (!IsIpv4(s))
                return false;
            groups += 2;
            break;
        }
        if (digits == 0 || digits > 4)
            return false;
        ++groups;
        s.remove_prefix(digits);
        if (s.empty())
            break;
        if (s.starts_with("::")) {
            if (shortened)
                return false;
            shortened = true;
            s.remove_prefix(2);
        } else if (s.front() == ':' && s.size() > 1) {
            s.remove_prefix(1);
        } else {
            return false;
        }
    }
    return shortened ? groups < 8 : groups == 8;
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

    // A backslash ends the authority for a browser but not for other
    // parsers: it is no host character, so such a text has no origin.
    std::string_view authority = url.substr(mark + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.find('@'); at != std::string_view::npos) {
        if (!IsUserInfo(authority.substr(0, at)))
            return std::nullopt;
        authority = authority.substr(at + 1);
    }

    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || !IsIpv6(authority.substr(1, close - 1)))
            return std::nullopt;
        host = authority.substr(0, close + 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            port = rest.substr(1);
        }
    } else {
        if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
        }
        for (char c : host)
            if (!IsHostChar(text::AsciiLower(c)))
                return std::nullopt;
    }
    if (host.empty())
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
