#include "app/win32/WallpaperFolder.h"

#include <shellapi.h>

#include "platform/FileSystem.h"
#include "platform/win32/WinText.h"

namespace app {

void ExploreWithShell(HWND owner, const std::wstring& folder)
{
    ::ShellExecuteW(owner, L"explore", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool OpenWallpaperFolder(HWND owner, const std::string& folder, const FolderExplorer& explore)
{
    if (!platform::ForceDirectories(folder))
        return false;
    if (explore)
        explore(owner, platform::win::Wide(folder));
    return true;
}

} // namespace app
