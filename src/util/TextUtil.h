#pragma once
// UTF-8 inside, UTF-16 at the borders that count code units (Win32 calls,
// the 260-unit fields of the status record and of the desktop path).
#include <string>
#include <string_view>

namespace text {

// Invalid UTF-8 becomes U+FFFD, so untrusted bytes never stop a conversion.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Length in UTF-16 code units of the text once converted.
std::size_t Utf16Length(std::string_view utf8);

// Case rules of the program: only the letters A to Z fold, everything else
// compares exactly.
char AsciiLower(char c);
std::string AsciiLower(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

} // namespace text
