#pragma once
// The shell's Active Desktop object, named here so tests can stand in for it.
#include <windows.h>

namespace platform::win {

inline constexpr CLSID kActiveDesktopClsid = {
    0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
inline constexpr IID kActiveDesktopIid = {
    0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

// AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE
inline constexpr DWORD kApplyAllForced = 15;

} // namespace platform::win
