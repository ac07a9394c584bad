// Integer and Boolean texts of Config.ini, and the profile file itself.
// Conversions: the default comes back exactly when a plain reference reading
// of the text fails; decimal results are signed 32-bit; "0x"/"$" up to
// FFFFFFFF give their pattern; the decimal text of a result reads back as
// the result; a Boolean is true exactly for a non-zero integer. The input is
// also a whole profile file: reading any key never fails, and a written key
// reads back without disturbing another key.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

#include "Check.h"
#include "config/uIniFiles.h"
#include "platform/ProfileFile.h"

namespace {

constexpr std::int64_t kDefault = 123456789; // no short text of the seeds reads as this

int Hex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The conversion written out plainly in 128-bit arithmetic.
std::optional<std::int64_t> Reference(std::string_view s, bool wide)
{
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string_view::npos)
        return std::nullopt;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+')
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;
    unsigned __int128 value = 0;
    for (; i < s.size(); ++i) {
        const int d = Hex(s[i]);
        if (d < 0 || (!hex && d > 9))
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (value > (static_cast<unsigned __int128>(1) << 64))
            return std::nullopt;
    }
    if (hex) {
        if (value > (wide ? 0xFFFFFFFFFFFFFFFFull : 0xFFFFFFFFull))
            return std::nullopt;
        const auto bits = static_cast<std::uint64_t>(value);
        std::int64_t pattern = bits <= 0xFFFFFFFFu ? static_cast<std::int32_t>(static_cast<std::uint32_t>(bits))
                                                   : static_cast<std::int64_t>(bits);
        if (negative)
            pattern = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(pattern));
        return wide ? pattern : static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    }
    const __int128 signedValue = negative ? -static_cast<__int128>(value) : static_cast<__int128>(value);
    const __int128 low = wide ? INT64_MIN : INT32_MIN;
    const __int128 high = wide ? INT64_MAX : INT32_MAX;
    if (signedValue < low || signedValue > high)
        return std::nullopt;
    return static_cast<std::int64_t>(signedValue);
}

// "0x..."/"$..." of at most eight hex digits, nothing else.
std::optional<std::uint32_t> PlainHexPattern(std::string_view s)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    else if (s.size() > 1 && s[0] == '$')
        s.remove_prefix(1);
    else
        return std::nullopt;
    if (s.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : s) {
        if (Hex(c) < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(Hex(c));
    }
    return value;
}

void CheckConversions(std::string_view text)
{
    const std::optional<std::int64_t> narrow = IniTextToInt(text, false);
    FUZZ_CHECK(narrow == Reference(text, false));
    FUZZ_CHECK(IniTextToInt(text, true) == Reference(text, true));
    if (narrow) {
        FUZZ_CHECK(*narrow >= INT32_MIN && *narrow <= INT32_MAX);
        FUZZ_CHECK(IniTextToInt(std::to_string(*narrow), false) == narrow);
    }
    if (const auto pattern = PlainHexPattern(text))
        FUZZ_CHECK(narrow == static_cast<std::int32_t>(*pattern));

    const auto asInt = std::get<std::int64_t>(IniTextToValue(text, ikInteger, kDefault));
    FUZZ_CHECK(asInt == narrow.value_or(kDefault));
    for (const bool def : {false, true}) {
        const bool asBool = std::get<bool>(IniTextToValue(text, ikBool, def));
        FUZZ_CHECK(asBool == (narrow ? *narrow != 0 : def));
    }
}

// One file per process, on tmpfs when there is one: every write renames.
const std::string& ScratchFile()
{
    static const std::string path = [] {
        const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
        return dir + "pictavo-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

bool WriteBytes(const std::string& path, std::string_view bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void CheckProfileFile(std::string_view bytes)
{
    const std::string& file = ScratchFile();
    FUZZ_CHECK(WriteBytes(file, bytes));
    const std::string missing = "\x01missing";
    const std::string stored = platform::ReadProfileKey(file, "Config", "ChangeTime", missing);
    const std::string other = platform::ReadProfileKey(file, "config", "WALLPAPER", missing);
    const auto read = std::get<std::int64_t>(ReadIniValue(file, "Config", "ChangeTime", ikInteger, kDefault));
    FUZZ_CHECK(read == IniTextToInt(stored == missing ? "" : stored, false).value_or(kDefault));

    // The file's own first line as the new value, minus what no value can hold.
    std::string value(bytes.substr(0, bytes.find('\n')).substr(0, 300));
    std::erase(value, '\r');
    FUZZ_CHECK(platform::WriteProfileKey(file, "Config", "ChangeTime", value));
    FUZZ_CHECK(platform::ReadProfileKey(file, "Config", "ChangeTime", missing) == value);
    FUZZ_CHECK(platform::ReadProfileKey(file, "config", "WALLPAPER", missing) == other);

    if (const auto n = IniTextToInt(value, false)) {
        WriteIniValue(file, "Config", "AutoRun", *n != 0, ikBool);
        WriteIniValue(file, "Config", "ChangeTime", *n, ikInteger);
        FUZZ_CHECK(std::get<std::int64_t>(ReadIniValue(file, "Config", "ChangeTime", ikInteger, kDefault)) == *n);
        FUZZ_CHECK(std::get<bool>(ReadIniValue(file, "Config", "AutoRun", ikBool, *n == 0)) == (*n != 0));
    }
    std::remove(file.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckConversions(text);
    // Each line as a stored value, as the profile reader would hand it over.
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end - start <= 64)
            CheckConversions(text.substr(start, end - start));
        start = end + 1;
    }
    CheckProfileFile(text);
    return 0;
}
