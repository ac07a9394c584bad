#pragma once
// Typed access to one key of an INI file at a time. Every call stands alone:
// it names the file, reads or writes one key and leaves nothing cached.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

enum TIniValueKind { ikInteger, ikFloat, ikString, ikDateTime, ikDate, ikTime, ikBool };

// A date and/or time as days since 1899-12-30 00:00, the fraction being the
// time of day.
struct TIniDateTime {
    double days = 0;
    friend bool operator==(const TIniDateTime&, const TIniDateTime&) = default;
};

// Integers travel as 64 bits so one value type serves both integer widths.
using TIniValue = std::variant<std::int64_t, double, std::string, TIniDateTime, bool>;

// A failed write of the file.
class EIniFileException : public std::runtime_error {
public:
    explicit EIniFileException(const std::string& file);
};

// A value that does not fit the kind it is to be written as.
class ERangeError : public std::range_error {
public:
    using std::range_error::range_error;
};

// A value that cannot be converted to the kind asked for (e.g. text "abc" as
// an integer default).
class EConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The value a key's text holds as the given kind; def, converted to that
// kind, when the text does not convert. ikString gives the text itself.
// Throws EConvertError/ERangeError only for a def that does not convert.
TIniValue IniTextToValue(std::string_view text, TIniValueKind kind, const TIniValue& def);

// Reads the key as the given kind; def, converted to that kind, when the key
// is missing or its text does not convert.
TIniValue ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                       TIniValueKind kind, const TIniValue& def);

// Writes the value converted to the kind. Throws ERangeError for an integer
// outside the signed 32-bit range (nothing written) and EIniFileException
// when the file cannot be written or the text holds a line break (nothing
// written).
void WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const TIniValue& value, TIniValueKind kind);

// The same conversion rules over the signed 64-bit range, for keys that hold
// times beyond 2038.
std::int64_t ReadIniInt64(const std::string& file, const std::string& section, const std::string& key,
                          std::int64_t def);
void WriteIniInt64(const std::string& file, const std::string& section, const std::string& key,
                   std::int64_t value);

// Integer text as stored in the file: leading blanks, an optional sign, then
// decimal digits or hexadecimal ones after "$", "x", "X", "0x" or "0X".
// Hexadecimal up to FFFFFFFF is taken as a 32-bit pattern (FFFFFFFF = -1);
// with wide set, longer hexadecimal up to 16 digits is a 64-bit pattern.
// Empty when anything else appears or the value is out of range.
std::optional<std::int64_t> IniTextToInt(std::string_view text, bool wide);
