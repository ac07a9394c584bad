#include "config/uIniFiles.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/ProfileFile.h"
#include "util/TextUtil.h"

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kDelphiEpochOffset = 25569; // days from 1899-12-30 to 1970-01-01

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<double> TextToFloat(std::string_view s)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string FloatToText(double v)
{
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), v);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// Proleptic Gregorian calendar, days relative to 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

bool ReadNumber(std::string_view& s, std::size_t digits, unsigned max, unsigned& out)
{
    if (s.size() < digits)
        return false;
    out = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + static_cast<unsigned>(s[i] - '0');
    }
    s.remove_prefix(digits);
    return out <= max;
}

bool Expect(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// "YYYY-MM-DD"
std::optional<double> ParseDate(std::string_view& s)
{
    unsigned y = 0, m = 0, d = 0;
    if (!ReadNumber(s, 4, 9999, y) || !Expect(s, '-') || !ReadNumber(s, 2, 12, m) || !Expect(s, '-') ||
        !ReadNumber(s, 2, 31, d) || m == 0 || d == 0)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(y, m, d);
    std::int64_t cy = 0;
    unsigned cm = 0, cd = 0;
    CivilFromDays(days, cy, cm, cd);
    if (cm != m || cd != d) // 2023-02-30 and the like
        return std::nullopt;
    return static_cast<double>(days + kDelphiEpochOffset);
}

// "HH:MM" or "HH:MM:SS", as a fraction of a day
std::optional<double> ParseTime(std::string_view& s)
{
    unsigned h = 0, mi = 0, sec = 0;
    if (!ReadNumber(s, 2, 23, h) || !Expect(s, ':') || !ReadNumber(s, 2, 59, mi))
        return std::nullopt;
    if (!s.empty() && s.front() == ':' && (s.remove_prefix(1), !ReadNumber(s, 2, 59, sec)))
        return std::nullopt;
    return (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
}

std::optional<TIniDateTime> TextToDateTime(std::string_view s, TIniValueKind kind)
{
    std::optional<double> date, time;
    if (kind != ikTime && !(date = ParseDate(s)))
        return std::nullopt;
    if (kind == ikTime || (kind == ikDateTime && Expect(s, ' ')))
        if (!(time = ParseTime(s)))
            return std::nullopt;
    if (!s.empty())
        return std::nullopt;
    return TIniDateTime {date.value_or(0) + time.value_or(0)};
}

std::string DateTimeToText(TIniDateTime v, TIniValueKind kind)
{
    const double whole = std::floor(v.days);
    auto secs = static_cast<std::int64_t>(std::llround((v.days - whole) * 86400.0));
    auto days = static_cast<std::int64_t>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days - kDelphiEpochOffset, y, m, d);
    char buf[48];
    if (kind == ikTime)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
    else if (kind == ikDate)
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    else
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(y), m, d,
                      int(secs / 3600), int(secs / 60 % 60), int(secs % 60));
    return buf;
}

std::int64_t ToInteger(const TIniValue& v)
{
    if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (const auto n = IniTextToInt(*s, true)) return *n;
        throw EConvertError("'" + *s + "' is not a valid integer value");
    }
    const double f = std::holds_alternative<double>(v) ? std::get<double>(v) : std::get<TIniDateTime>(v).days;
    if (!(f > -9.2e18 && f < 9.2e18))
        throw ERangeError("Range check error");
    return static_cast<std::int64_t>(std::nearbyint(f));
}

double ToFloat(const TIniValue& v)
{
    if (const auto* f = std::get_if<double>(&v)) return *f;
    if (const auto* t = std::get_if<TIniDateTime>(&v)) return t->days;
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (const auto f = TextToFloat(*s)) return *f;
        throw EConvertError("'" + *s + "' is not a valid floating point value");
    }
    return static_cast<double>(ToInteger(v));
}

bool ToBool(const TIniValue& v)
{
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (text::SameText(*s, "true")) return true;
        if (text::SameText(*s, "false")) return false;
    }
    return ToInteger(v) != 0;
}

TIniDateTime ToDateTime(const TIniValue& v, TIniValueKind kind)
{
    if (const auto* t = std::get_if<TIniDateTime>(&v)) return *t;
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (const auto t = TextToDateTime(*s, kind)) return *t;
        throw EConvertError("'" + *s + "' is not a valid date and time");
    }
    return TIniDateTime {ToFloat(v)};
}

std::string ToText(const TIniValue& v)
{
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "1" : "0";
    if (const auto* t = std::get_if<TIniDateTime>(&v)) return DateTimeToText(*t, ikDateTime);
    return FloatToText(std::get<double>(v));
}

void WriteText(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value)
{
    // A line break would end the value early and start keys of its own.
    if (value.find_first_of("\r\n") != std::string::npos)
        throw EIniFileException(file);
    if (!platform::WriteProfileKey(file, section, key, value))
        throw EIniFileException(file);
}

std::string ReadText(const std::string& file, const std::string& section, const std::string& key)
{
    return platform::ReadProfileKey(file, section, key, std::string());
}

} // namespace

EIniFileException::EIniFileException(const std::string& file)
    : std::runtime_error("Unable to write to " + file)
{
}

std::optional<std::int64_t> IniTextToInt(std::string_view s, bool wide)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool hex = false;
    if (!s.empty() && (s.front() == '$' || s.front() == 'x' || s.front() == 'X')) {
        hex = true;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        hex = true;
        s.remove_prefix(2);
    }
    if (s.empty())
        return std::nullopt;

    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? (wide ? ~std::uint64_t {0} : 0xFFFFFFFFu)
                                    : (negative ? std::uint64_t {1} << (wide ? 63 : 31)
                                                : (std::uint64_t {1} << (wide ? 63 : 31)) - 1);
    const unsigned base = hex ? 16 : 10;
    for (const char c : s) {
        const int digit = HexDigit(c);
        if (digit < 0 || (!hex && digit > 9))
            return std::nullopt;
        const auto d = static_cast<unsigned>(digit);
        if (magnitude > (limit - d) / base)
            return std::nullopt;
        magnitude = magnitude * base + d;
    }

    if (hex) {
        // Up to eight digits a 32-bit pattern, beyond that a 64-bit one.
        std::uint64_t pattern = magnitude <= 0xFFFFFFFFu
            ? static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(magnitude)))
            : magnitude;
        if (negative)
            pattern = ~pattern + 1;
        if (!wide)
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
        return static_cast<std::int64_t>(pattern);
    }
    if (negative)
        return magnitude == (std::uint64_t {1} << 63) ? std::numeric_limits<std::int64_t>::min()
                                                     : -static_cast<std::int64_t>(magnitude);
    return static_cast<std::int64_t>(magnitude);
}

TIniValue IniTextToValue(std::string_view text, TIniValueKind kind, const TIniValue& def)
{
    switch (kind) {
    case ikString:
        return std::string(text);
    case ikInteger: {
        const std::int64_t d = ToInteger(def);
        return IniTextToInt(text, false).value_or(d);
    }
    case ikBool: {
        const bool d = ToBool(def);
        const auto n = IniTextToInt(text, false);
        return n ? *n != 0 : d;
    }
    case ikFloat: {
        const double d = ToFloat(def);
        return TextToFloat(text).value_or(d);
    }
    case ikDateTime:
    case ikDate:
    case ikTime: {
        const TIniDateTime d = ToDateTime(def, kind);
        return TextToDateTime(text, kind).value_or(d);
    }
    }
    return def;
}

TIniValue ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                       TIniValueKind kind, const TIniValue& def)
{
    // A text key tells a missing key (the default) from an empty value; the
    // other kinds read both as text that does not convert.
    if (kind == ikString)
        return platform::ReadProfileKey(file, section, key, ToText(def));
    return IniTextToValue(ReadText(file, section, key), kind, def);
}

namespace {

std::string TextFor(const TIniValue& value, TIniValueKind kind)
{
    switch (kind) {
    case ikInteger: {
        const std::int64_t n = ToInteger(value);
        if (n < kInt32Min || n > kInt32Max)
            throw ERangeError("Range check error");
        return std::to_string(n);
    }
    case ikBool: return std::string(1, ToBool(value) ? '1' : '0');
    case ikString: return ToText(value);
    case ikFloat: return FloatToText(ToFloat(value));
    case ikDateTime:
    case ikDate:
    case ikTime: return DateTimeToText(ToDateTime(value, kind), kind);
    }
    return ToText(value);
}

} // namespace

void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const TIniValue& value, TIniValueKind kind)
{
    WriteText(file, section, key, TextFor(value, kind));
}

std::int64_t ReadIniInt64(const std::string& file, const std::string& section, const std::string& key,
                          std::int64_t def)
{
    return IniTextToInt(ReadText(file, section, key), true).value_or(def);
}

void WriteIniInt64(const std::string& file, const std::string& section, const std::string& key,
                   std::int64_t value)
{
    WriteText(file, section, key, std::to_string(value));
}
