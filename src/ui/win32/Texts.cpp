#include "ui/win32/Texts.h"

namespace ui {

LANGID TextLanguage(LANGID userInterfaceLanguage)
{
    return PRIMARYLANGID(userInterfaceLanguage) == LANG_CHINESE ? kChineseTexts : kEnglishTexts;
}

LANGID UserTextLanguage()
{
    return TextLanguage(::GetUserDefaultUILanguage());
}

std::wstring LoadText(UINT id, LANGID language)
{
    // Read from the block itself: LoadStringW picks the table by rules that
    // differ between Windows versions.
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC block = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    const HGLOBAL loaded = block ? ::LoadResource(module, block) : nullptr;
    const auto* entry = static_cast<const WCHAR*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!entry)
        return {};
    // Sixteen counted strings, one after the other.
    for (UINT i = 0; i < id % 16; ++i)
        entry += 1 + *entry;
    return std::wstring(entry + 1, *entry);
}

} // namespace ui
