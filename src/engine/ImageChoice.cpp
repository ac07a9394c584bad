#include "engine/ImageChoice.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "engine/Url.h"
#include "platform/Screen.h"
#include "util/TextUtil.h"

namespace engine {
namespace {

constexpr auto npos = std::string_view::npos;

// The first candidate for which found() holds: the entries of the list text
// (";" separates, a final ";" adds no entry), then own. Walks the text in
// place, so a list of a million entries allocates nothing.
template <typename Found>
std::optional<std::string_view> FindCandidate(std::string_view list, std::string_view own, Found found)
{
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        const std::string_view entry = list.substr(0, semicolon);
        if (found(entry))
            return entry;
        list = semicolon == npos ? std::string_view() : list.substr(semicolon + 1);
    }
    if (found(own))
        return own;
    return std::nullopt;
}

// Optional sign and decimal digits within 32 bits; anything else reads as 0.
std::int32_t ReadDecimal(std::string_view s)
{
    const bool negative = !s.empty() && s.front() == '-';
    if (!s.empty() && (s.front() == '-' || s.front() == '+'))
        s.remove_prefix(1);
    if (s.empty())
        return 0;
    std::int64_t value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > (negative ? 0x80000000LL : 0x7FFFFFFFLL))
            return 0;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string_view After(std::string_view s, char c)
{
    const std::size_t at = s.find(c);
    return at == npos ? s : s.substr(at + 1);
}

std::string_view Before(std::string_view s, char c)
{
    const std::size_t at = s.find(c);
    return at == npos ? std::string_view() : s.substr(0, at);
}

struct Ratio {
    std::int32_t a;
    std::int32_t b;
    friend bool operator==(const Ratio&, const Ratio&) = default;
};

// For two positive sides stepping i up from 2 and dividing out each common
// factor ends in lowest terms, which the greatest common divisor gives without
// the up to 2^31 steps. With a side of zero or below, the loop stops after
// its first step, a halving when both sides are even.
Ratio Reduce(std::int32_t a, std::int32_t b)
{
    if (a > 0 && b > 0) {
        const std::int32_t g = std::gcd(a, b);
        return {a / g, b / g};
    }
    if (a % 2 == 0 && b % 2 == 0)
        return {a / 2, b / 2};
    return {a, b};
}

// The aspect ratio a candidate names as "...,width,height.ext". Compared as
// numbers, which is the same as comparing their "%d,%d" texts, without a
// text per candidate: a list of a million empty entries stays cheap.
Ratio CandidateRatio(std::string_view candidate)
{
    std::string_view s = After(candidate, ',');
    const std::int32_t w = ReadDecimal(Before(s, ','));
    s = After(s, ',');
    const std::int32_t h = ReadDecimal(Before(s, '.'));
    return Reduce(w, h);
}

// ASCII letters match either case; needle is lower case already.
bool ContainsLower(std::string_view haystack, std::string_view needle)
{
    const auto fold = [](char c, char n) { return (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) == n; };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), fold) != haystack.end();
}

bool IsReservedDeviceName(std::string_view name)
{
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    stem = text::AsciiLower(stem);
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul" || stem == "conin$" || stem == "conout$")
        return true;
    if (stem.rfind("com", 0) != 0 && stem.rfind("lpt", 0) != 0)
        return false;
    const std::string_view number = std::string_view(stem).substr(3);
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') ||
           number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3"; // superscript 1, 2, 3
}

bool IsPlainFileName(std::string_view name)
{
    // ".." anywhere is refused too: no portal picture needs it, and no later
    // path handling then has to be trusted with it.
    if (name.empty() || name.back() == '.' || name.back() == ' ' || name.find("..") != npos)
        return false;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || std::string_view("<>:\"/\\|?*").find(c) != npos)
            return false;
    }
    // A UTF-16 unit takes at most three bytes: a longer name is refused
    // before a megabyte of it is converted.
    if (name.size() > 255 * 3)
        return false;
    // Malformed UTF-8 does not survive the round trip.
    const std::u16string wide = text::Utf8ToUtf16(name);
    return wide.size() <= 255 && text::Utf16ToUtf8(wide) == name && !IsReservedDeviceName(name);
}

// The variants live on the portal's own server: its port is kept, or a portal
// on any port but 80 would have them fetched from another server. An IPv6
// literal (the only host TUrl can hand back with a ":") needs its brackets
// again to stay a URL. The user name is not carried over, and without a host
// there is no server whose port could matter (an empty request leaves the
// port of a fresh TUrl, 0).
std::string SiteBase(const TUrl& url)
{
    std::string base = url.Protocol + "://";
    base += url.Host.find(':') == npos ? url.Host : "[" + url.Host + "]";
    if (url.Port != 80 && !url.Host.empty())
        base += ":" + std::to_string(url.Port);
    return base + "/";
}

} // namespace

std::string ReduceRatio(std::int32_t a, std::int32_t b)
{
    const Ratio r = Reduce(a, b);
    return std::to_string(r.a) + "," + std::to_string(r.b);
}

std::string ChooseImageUrl(const std::string& request, int screenWidth, int screenHeight)
{
    TUrl url;
    url.SetUrl(request);
    const std::string base = SiteBase(url);
    std::string own = url.Path + url.Document;
    if (!own.empty() && own.front() == '/')
        own.erase(0, 1);

    // Without a display there is no size to fit: a "0,0" ratio or size would
    // match candidates that merely read as zero.
    if (screenWidth <= 0 || screenHeight <= 0)
        return std::string(Before(request, '?'));

    const std::string_view list = After(request, '=');

    const std::string size = std::to_string(screenWidth) + "," + std::to_string(screenHeight) + ".jpg";
    if (const auto hit = FindCandidate(list, own, [&](std::string_view c) { return ContainsLower(c, size); }))
        return base + std::string(*hit);

    const Ratio ratio = Reduce(screenWidth, screenHeight);
    if (const auto hit = FindCandidate(list, own, [&](std::string_view c) { return CandidateRatio(c) == ratio; }))
        return base + std::string(*hit);

    return std::string(Before(request, '?'));
}

std::string ChooseImageUrl(const std::string& request)
{
    const platform::ScreenSize screen = platform::PrimaryScreenSize();
    return ChooseImageUrl(request, screen.width, screen.height);
}

std::optional<std::string> DownloadFileName(const std::string& url)
{
    const std::size_t separator = url.find("://");
    if (separator == std::string::npos)
        return std::nullopt;
    const std::string scheme = text::AsciiLower(url.substr(0, separator));
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    std::string name = url.substr(url.rfind('/') + 1);
    if (!IsPlainFileName(name))
        return std::nullopt;
    return name;
}

std::optional<std::string> DownloadDestination(const std::string& folder, const std::string& url)
{
    std::optional<std::string> name = DownloadFileName(url);
    if (!name)
        return std::nullopt;
    return folder + *name;
}

} // namespace engine
