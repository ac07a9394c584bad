#include "platform/SystemInfo.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace platform {

int WindowsMajorVersion()
{
    OSVERSIONINFOW info {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(&info))
        return 0;
    return static_cast<int>(info.dwMajorVersion);
}

std::string ServiceExecutableName()
{
    return "BrisvaneService.exe";
}

std::string SpecialFolderPath(int csidl)
{
    LPITEMIDLIST items = nullptr;
    if (::SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK || !items)
        return {};
    wchar_t buf[MAX_PATH] = {};
    const bool ok = ::SHGetPathFromIDListW(items, buf) != FALSE;
    win::ComPtr<IMalloc> allocator;
    if (::SHGetMalloc(allocator.put()) == S_OK && allocator)
        allocator->Free(items);
    buf[MAX_PATH - 1] = L'\0';
    return ok ? win::Narrow(buf) : std::string();
}

std::string WindowsFolder()
{
    wchar_t buf[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    return win::Narrow(std::wstring_view(buf, n));
}

std::string CurrentUserName()
{
    wchar_t buf[257] = {};
    DWORD size = 257;
    if (!::GetUserNameW(buf, &size))
        return {};
    buf[256] = L'\0';
    return win::Narrow(buf);
}

} // namespace platform
