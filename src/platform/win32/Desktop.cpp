#include "platform/Desktop.h"

#include <windows.h>
// wininet.h first: shlobj.h declares IActiveDesktop only when it has been seen.
#include <wininet.h>
#include <shlobj.h>

#include <array>
#include <cwchar>
#include <string>

#include "platform/MainThread.h"
#include "platform/win32/ActiveDesktop.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

// COM for a thread other than the main one, whose apartment the program set up.
class ThreadCom {
public:
    ThreadCom()
    {
        // S_FALSE (already initialised) still needs its CoUninitialize; a
        // refusal such as RPC_E_CHANGED_MODE must not get one.
        if (!IsMainThread())
            initialised_ = SUCCEEDED(::CoInitialize(nullptr));
    }
    ~ThreadCom()
    {
        if (initialised_)
            ::CoUninitialize();
    }
    ThreadCom(const ThreadCom&) = delete;
    ThreadCom& operator=(const ThreadCom&) = delete;

private:
    bool initialised_ = false;
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
using RegKey = win::UniqueHandle<RegKeyTraits>;

using PathBuffer = std::array<wchar_t, MAX_PATH>;

// A path that does not fit whole leaves the buffer empty rather than cut.
void FillPath(PathBuffer& buffer, const std::string& path)
{
    buffer.fill(L'\0');
    const std::wstring wide = win::Wide(path);
    if (wide.size() < buffer.size())
        wide.copy(buffer.data(), wide.size());
}

enum class DesktopAnswer { Done, Refused, Unavailable };

// Unavailable when there is no desktop object or it does not implement the
// call (Wine answers E_NOTIMPL); any other answer but S_OK is the shell's
// refusal and stops the sequence.
DesktopAnswer SetThroughActiveDesktop(const wchar_t* path, WallpaperStyle style)
{
    win::ComPtr<IActiveDesktop> desktop;
    if (::CoCreateInstance(win::kActiveDesktopClsid, nullptr, CLSCTX_INPROC_SERVER,
                           win::kActiveDesktopIid, desktop.put_void()) != S_OK || !desktop)
        return DesktopAnswer::Unavailable;
    static_assert(sizeof(WALLPAPEROPT) == 8);
    WALLPAPEROPT options {};
    options.dwSize = sizeof(WALLPAPEROPT);
    options.dwStyle = static_cast<DWORD>(style);
    // Only exactly S_OK counts: S_FALSE means the shell did not do it.
    const auto judge = [](HRESULT hr) {
        return hr == S_OK ? DesktopAnswer::Done : hr == E_NOTIMPL ? DesktopAnswer::Unavailable : DesktopAnswer::Refused;
    };
    DesktopAnswer answer = judge(desktop->SetWallpaperOptions(&options, 0));
    if (answer == DesktopAnswer::Done)
        answer = judge(desktop->SetWallpaper(path, 0));
    if (answer == DesktopAnswer::Done)
        answer = judge(desktop->ApplyChanges(win::kApplyAllForced));
    return answer;
}

struct RegistryPlacement {
    const wchar_t* wallpaperStyle;
    const wchar_t* tileWallpaper;
};

RegistryPlacement PlacementFor(WallpaperStyle style)
{
    switch (style) {
    case WallpaperStyle::Tile: return {L"0", L"1"};
    case WallpaperStyle::Stretch: return {L"2", L"0"};
    // The shell's fourth style keeps the picture's proportions and fills the
    // screen ("Fill" since Windows 7; older systems centre unknown values).
    case WallpaperStyle::Max: return {L"10", L"0"};
    case WallpaperStyle::Center: break;
    }
    return {L"0", L"0"};
}

bool SetRegistryString(HKEY key, const wchar_t* name, const wchar_t* value)
{
    const DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes)
        == ERROR_SUCCESS;
}

// Where the shell's desktop object is missing or does not implement the
// calls (Wine, some server editions), the classic user setting still changes
// the wallpaper.
bool SetThroughSystemParameters(const wchar_t* path, WallpaperStyle style)
{
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    const RegKey key(raw);
    const RegistryPlacement placement = PlacementFor(style);
    if (!SetRegistryString(key.get(), L"WallpaperStyle", placement.wallpaperStyle)
        || !SetRegistryString(key.get(), L"TileWallpaper", placement.tileWallpaper))
        return false;
    return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path),
                                   SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
}

} // namespace

bool SetDesktopWallpaper(const std::string& path, WallpaperStyle style)
{
    const ThreadCom com;
    PathBuffer buffer;
    FillPath(buffer, path);
    // A path too long for the buffer reaches the desktop object as an empty
    // string; the fallback would take that as "no wallpaper" and report
    // success, so it is not asked then.
    const bool pathFits = buffer[0] != L'\0';
    switch (SetThroughActiveDesktop(buffer.data(), style)) {
    case DesktopAnswer::Done: return true;
    case DesktopAnswer::Refused: return false;
    case DesktopAnswer::Unavailable: break;
    }
    return pathFits && SetThroughSystemParameters(buffer.data(), style);
}

// The shell saves the wallpaper with the user's settings.
bool DesktopKeepsWallpaper() { return true; }

} // namespace platform
