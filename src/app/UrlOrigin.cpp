#include "app/UrlOrigin.h"

#include <charconv>

#include "util/TextUtil.h"

namespace app {

namespace {

// Underscores are no part of a DNS name, but of many a local host name, and
// every engine keeps them.
bool IsHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
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

// The code points of UTF-8 text; nothing for a text that is not UTF-8.
std::optional<std::u32string> DecodeUtf8(std::string_view s)
{
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || s.size() - i <= std::size_t(extra))
            return std::nullopt;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt; // overlong, beyond Unicode, or a surrogate
        out += c;
        i += std::size_t(extra) + 1;
    }
    return out;
}

// One label in Punycode, as IDNA writes it after "xn--".
std::optional<std::string> Punycode(const std::u32string& label)
{
    constexpr std::uint32_t kBase = 36, kTmin = 1, kTmax = 26, kSkew = 38, kDamp = 700;
    constexpr std::size_t kLongestLabel = 63;
    if (label.size() > kLongestLabel)
        return std::nullopt;
    const auto digit = [](std::uint32_t d) { return char(d < 26 ? 'a' + d : '0' + (d - 26)); };
    const auto adapt = [](std::uint32_t delta, std::uint32_t points, bool first) {
        delta = first ? delta / kDamp : delta / 2;
        delta += delta / points;
        std::uint32_t k = 0;
        while (delta > ((kBase - kTmin) * kTmax) / 2) {
            delta /= kBase - kTmin;
            k += kBase;
        }
        return k + (kBase - kTmin + 1) * delta / (delta + kSkew);
    };
    std::string out;
    for (const char32_t c : label)
        if (c < 0x80)
            out += char(c);
    const std::uint32_t basic = std::uint32_t(out.size());
    if (basic > 0)
        out += '-';
    std::uint32_t n = 0x80, delta = 0, bias = 72, handled = basic;
    while (handled < label.size()) {
        char32_t next = 0x10FFFF;
        for (const char32_t c : label)
            if (c >= n && c < next)
                next = c;
        // Labels are short and code points bounded, so delta stays far below 2^32.
        delta += (next - n) * (handled + 1);
        n = next;
        for (const char32_t c : label) {
            if (c < n)
                ++delta;
            if (c != n)
                continue;
            std::uint32_t q = delta;
            for (std::uint32_t k = kBase;; k += kBase) {
                const std::uint32_t t = k <= bias ? kTmin : k >= bias + kTmax ? kTmax : k - bias;
                if (q < t)
                    break;
                out += digit(t + (q - t) % (kBase - t));
                q = (q - t) / (kBase - t);
            }
            out += digit(q);
            bias = adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return out;
}

// A host name with letters beyond ASCII, in the ASCII form engines report.
// Only ASCII letters are put in lower case: a name that needs more of
// Unicode's mapping than that gets no origin.
std::optional<std::string> InternationalHost(std::string_view host)
{
    std::string out;
    for (std::string_view rest = host;;) {
        const auto dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        const auto points = DecodeUtf8(label);
        if (!points || points->empty())
            return std::nullopt;
        std::u32string lowered;
        bool ascii = true;
        for (char32_t c : *points) {
            if (c < 0x80) {
                c = char32_t(text::AsciiLower(char(c)));
                if (!IsHostChar(char(c)) || c == '.')
                    return std::nullopt;
            } else {
                ascii = false;
            }
            lowered += c;
        }
        if (ascii) {
            out += text::AsciiLower(label);
        } else {
            const auto encoded = Punycode(lowered);
            if (!encoded)
                return std::nullopt;
            out += "xn--" + *encoded;
        }
        if (dot == std::string_view::npos)
            return out;
        out += '.';
        rest.remove_prefix(dot + 1);
    }
}

// "%25" and the zone after an IPv6 address: unreserved characters only.
bool IsZone(std::string_view s)
{
    if (!s.starts_with("%25") || s.size() == 3)
        return false;
    for (const char c : s.substr(3))
        if (!IsHostChar(text::AsciiLower(c)) && c != '~')
            return false;
    return true;
}

std::optional<UrlOrigin> Parse(std::string_view url, bool asEngine)
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
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view literal = authority.substr(1, close - 1);
        const auto zone = asEngine ? literal.find('%') : std::string_view::npos;
        if (!IsIpv6(literal.substr(0, zone)) || (zone != std::string_view::npos && !IsZone(literal.substr(zone))))
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
        bool international = false;
        for (char c : host) {
            international = international || static_cast<unsigned char>(c) >= 0x80;
            if (!IsHostChar(text::AsciiLower(c)) && static_cast<unsigned char>(c) < 0x80)
                return std::nullopt;
        }
        if (international) {
            const auto ascii = asEngine ? InternationalHost(host) : std::nullopt;
            if (!ascii)
                return std::nullopt;
            origin.host = *ascii;
        }
    }
    if (host.empty())
        return std::nullopt;
    if (origin.host.empty())
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

} // namespace

std::optional<UrlOrigin> ParseOrigin(std::string_view url)
{
    return Parse(url, false);
}

std::optional<UrlOrigin> ParseEngineOrigin(std::string_view url)
{
    return Parse(url, true);
}

} // namespace app
