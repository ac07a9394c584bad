#include "engine/ImageChoice.h"

#include <numeric>
#include <string_view>
#include <vector>

#include "engine/Url.h"
#include "platform/Screen.h"
#include "util/TextUtil.h"

namespace engine {
namespace {

constexpr auto npos = std::string_view::npos;

// The entries of the list text: ";" separates, a final ";" adds no entry.
std::vector<std::string_view> SplitList(std::string_view list)
{
    std::vector<std::string_view> entries;
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        entries.push_back(list.substr(0, semicolon));
        list = semicolon == npos ? std::string_view() : list.substr(semicolon + 1);
    }
    return entries;
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

// The aspect ratio a candidate names as "...,width,height.ext".
std::string CandidateRatio(std::string_view candidate)
{
    std::string_view s = After(candidate, ',');
    const std::int32_t w = ReadDecimal(Before(s, ','));
    s = After(s, ',');
    const std::int32_t h = ReadDecimal(Before(s, '.'));
    return ReduceRatio(w, h);
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
    // Malformed UTF-8 does not survive the round trip.
    const std::u16string wide = text::Utf8ToUtf16(name);
    return wide.size() <= 255 && text::Utf16ToUtf8(wide) == name && !IsReservedDeviceName(name);
}

} // namespace

// For two positive sides stepping i up from 2 and dividing out each common
// factor ends in lowest terms, which the greatest common divisor gives without
// the up to 2^31 steps. With a side of zero or below, the loop stops after
// its first step, a halving when both sides are even.
std::string ReduceRatio(std::int32_t a, std::int32_t b)
{
    if (a > 0 && b > 0) {
        const std::int32_t g = std::gcd(a, b);
        a /= g;
        b /= g;
    } else if (a % 2 == 0 && b % 2 == 0) {
        a /= 2;
        b /= 2;
    }
    return std::to_string(a) + "," + std::to_string(b);
}

std::string ChooseImageUrl(const std::string& request, int screenWidth, int screenHeight)
{
    TUrl url;
    url.SetUrl(request);
    const std::string base = url.Protocol + "://" + url.Host + "/";
    std::string own = url.Path + url.Document;
    if (!own.empty() && own.front() == '/')
        own.erase(0, 1);

    std::vector<std::string_view> candidates = SplitList(After(request, '='));
    candidates.push_back(own);

    const std::string size = std::to_string(screenWidth) + "," + std::to_string(screenHeight) + ".jpg";
    for (const std::string_view candidate : candidates)
        if (text::AsciiLower(candidate).find(size) != std::string::npos)
            return base + std::string(candidate);

    const std::string ratio = ReduceRatio(screenWidth, screenHeight);
    for (const std::string_view candidate : candidates)
        if (CandidateRatio(candidate) == ratio)
            return base + std::string(candidate);

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
