#pragma once
// TUrl: splits a URL text into its pieces by plain text rules: no
// percent-decoding, no validation, no network.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Answers whether a code below 256 is a lead byte of a double-byte character.
using LeadBytePredicate = bool (*)(unsigned code);

class TUrl {
public:
    std::string Protocol;
    std::string UserName;
    std::string Password;
    std::string Host;
    std::int32_t Port = 0;
    std::string Path;
    std::string Document;
    std::string Query;
    std::string Bookmark;

    // An empty text leaves every field as it was.
    void SetUrl(const std::string& text);
    // The same with another lead-byte rule than the system's (tests).
    void SetUrl(const std::string& text, LeadBytePredicate isLeadByte);
};

// The text SetUrl splits: a "/" appended when the last segment has no ".",
// then every "\" turned into "/" except right after a lead byte.
std::string NormaliseUrlText(std::string text, LeadBytePredicate isLeadByte);

// Reads an integer the way the port is read: optional leading blanks, an
// optional sign, then decimal digits or hexadecimal ones after "$", "x" or
// "0x". Decimal values must fit 32 signed bits; hexadecimal ones 32 bits,
// taken as their two's-complement value. Anything else is no number.
std::optional<std::int32_t> ParseIntegerText(std::string_view text);

} // namespace engine
