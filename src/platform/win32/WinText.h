#pragma once
// UTF-8 <-> UTF-16 at the Win32 boundary.
#include <string>
#include <string_view>

#include "util/TextUtil.h"

namespace platform::win {

inline std::wstring Wide(std::string_view utf8)
{
    const std::u16string u = text::Utf8ToUtf16(utf8);
    return std::wstring(u.begin(), u.end());
}

inline std::string Narrow(std::wstring_view wide)
{
    return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

} // namespace platform::win
