#pragma once
// "Open the wallpaper folder": the folder in Explorer. A folder that went
// since start-up is made again first.
#include <windows.h>

#include <functional>
#include <string>

namespace app {

// Hands a folder to the shell's "explore" verb; tests watch it instead.
using FolderExplorer = std::function<void(HWND owner, const std::wstring& folder)>;
void ExploreWithShell(HWND owner, const std::wstring& folder);

// False when the folder cannot be made.
bool OpenWallpaperFolder(HWND owner, const std::string& folder, const FolderExplorer& explore);

} // namespace app
