#pragma once
// The program's texts in the user's language, from the string tables of its
// own file (ids in ui/win32/TextIds.h). Chinese texts show as boxes on a
// Western Windows XP without East Asian support, so only a user whose
// interface is in Chinese gets them.
#include <windows.h>

#include <string>

#include "ui/win32/TextIds.h"

namespace ui {

inline constexpr LANGID kChineseTexts = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
inline constexpr LANGID kEnglishTexts = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The table for a user interface language: Chinese for any Chinese, else English.
LANGID TextLanguage(LANGID userInterfaceLanguage);
// The table for this user (GetUserDefaultUILanguage, there since Windows 2000).
LANGID UserTextLanguage();

// Text `id` of the table in `language`; empty when there is none.
std::wstring LoadText(UINT id, LANGID language);

} // namespace ui
