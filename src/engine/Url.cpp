#include "engine/Url.h"

#include <array>

#include "platform/AnsiCodePage.h"

namespace engine {
namespace {

constexpr auto npos = std::string::npos;

unsigned char Byte(const std::string& s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// The rule was made for UTF-16 text: a code unit below 256 that is an ANSI
// lead byte steps over the unit after it. Our text is UTF-8, and a UTF-16
// code unit below 256 is an ASCII byte or a two-byte sequence C2/C3 xx. The
// character after it is stepped over by its first byte only: any further
// bytes are continuation bytes, which no rule here touches, exactly as the
// low half of a surrogate pair or a U+FFFD from a malformed byte would be left
// alone. Malformed bytes count as one character each, as in our converter.
void ReplaceBackslashes(std::string& s, LeadBytePredicate isLeadByte)
{
    // The system is asked once per code, not once per character of a text
    // that may be a megabyte long.
    std::array<signed char, 256> lead;
    lead.fill(-1);
    const auto isLead = [&](unsigned code) {
        if (lead[code] < 0)
            lead[code] = isLeadByte(code) ? 1 : 0;
        return lead[code] == 1;
    };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = Byte(s, i);
        unsigned code = 256;
        std::size_t length = 1;
        if (b < 0x80) {
            code = b;
        } else if ((b == 0xC2 || b == 0xC3) && i + 1 < s.size() && (Byte(s, i + 1) & 0xC0) == 0x80) {
            code = ((b & 0x1Fu) << 6) | (Byte(s, i + 1) & 0x3Fu);
            length = 2;
        }
        if (code < 256 && isLead(code)) {
            i += length + (i + length < s.size() ? 1 : 0);
            continue;
        }
        if (b == '\\')
            s[i] = '/';
        i += length;
    }
}

// Takes the text before the first "@" of the authority as the user info.
void SplitUserInfo(TUrl& url, std::string& authority)
{
    const std::size_t at = authority.find('@');
    if (at == npos)
        return;
    const std::string info = authority.substr(0, at);
    authority.erase(0, at + 1);
    const std::size_t colon = info.find(':');
    url.UserName = info.substr(0, colon);
    if (colon != npos && !url.UserName.empty())
        url.Password = info.substr(colon + 1);
}

// Sets Host and returns the port text.
std::string SplitHost(TUrl& url, const std::string& authority)
{
    const std::size_t open = authority.find('[');
    const std::size_t close = authority.find(']');
    if (open != npos && close != npos && close > open) {
        url.Host = authority.substr(open + 1, close - open - 1);
        const std::string rest = authority.substr(close + 1);
        const std::size_t colon = rest.find(':');
        return colon == npos ? std::string() : rest.substr(colon + 1);
    }
    const std::size_t colon = authority.find(':');
    url.Host = authority.substr(0, colon);
    return colon == npos ? std::string() : authority.substr(colon + 1);
}

// Path, Document and Query of what follows the authority (or of a relative text).
void SplitRemainder(TUrl& url, const std::string& r, bool absolute)
{
    std::size_t q = r.find('?');
    if (q == npos)
        q = r.find('=');
    const std::size_t slash = q == npos ? r.rfind('/') : (q == 0 ? npos : r.rfind('/', q - 1));
    const std::size_t d = slash == npos ? 0 : slash + 1; // characters up to and including that "/"
    url.Path = (absolute ? "/" : "") + r.substr(0, d);
    if (q != npos) {
        url.Document = r.substr(0, q);
        url.Query = r.substr(q);
    } else {
        url.Document = r;
    }
    url.Document.erase(0, d);
}

} // namespace

std::string NormaliseUrlText(std::string text, LeadBytePredicate isLeadByte)
{
    if (!text.empty() && text.back() != '/') {
        const std::size_t slash = text.rfind('/');
        const std::size_t dot = text.rfind('.');
        if (slash != npos && (dot == npos || slash > dot))
            text += '/';
    }
    ReplaceBackslashes(text, isLeadByte);
    return text;
}

void TUrl::SetUrl(const std::string& text)
{
    SetUrl(text, &platform::IsAnsiLeadByte);
}

void TUrl::SetUrl(const std::string& text, LeadBytePredicate isLeadByte)
{
    if (text.empty())
        return;
    *this = TUrl();
    Port = 80;
    const std::string s = NormaliseUrlText(text, isLeadByte);
    const std::size_t p = s.find("://");
    if (p == npos) {
        SplitRemainder(*this, s, false);
    } else {
        Protocol = s.substr(0, p);
        const std::size_t start = p + 3;
        const std::size_t slash = s.find('/', start);
        std::string authority = s.substr(start, slash == npos ? npos : slash - start);
        const std::string r = slash == npos ? std::string() : s.substr(slash + 1);
        SplitUserInfo(*this, authority);
        Port = ParseIntegerText(SplitHost(*this, authority)).value_or(80);
        SplitRemainder(*this, r, true);
        const std::size_t hash = Document.find('#');
        if (hash != npos) {
            Bookmark = Document.substr(hash + 1);
            Document.erase(hash);
        }
    }
    if (Bookmark.empty()) {
        const std::size_t hash = Query.find('#');
        if (hash != npos) {
            Bookmark = Query.substr(hash + 1);
            Query.erase(hash);
        }
    }
}

std::optional<std::int32_t> ParseIntegerText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
        if (value > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

} // namespace engine
