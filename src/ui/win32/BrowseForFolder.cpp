#include "ui/BrowseForFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "platform/win32/WinText.h"

namespace ui {

namespace {

struct IdListDeleter {
    void operator()(ITEMIDLIST* p) const noexcept { ::CoTaskMemFree(p); }
};

UINT FlagsOf(TBrowseKind kind)
{
    switch (kind) {
    case TBrowseKind::bkFilesToo: return BIF_BROWSEINCLUDEFILES;
    case TBrowseKind::bkComputers: return BIF_BROWSEFORCOMPUTER;
    case TBrowseKind::bkPrinters: return BIF_BROWSEFORPRINTER;
    case TBrowseKind::bkFolders: break;
    }
    return BIF_RETURNONLYFSDIRS;
}

} // namespace

std::string BrowseForFolder(const std::string& title, TBrowseKind kind, bool newDialogStyle)
{
    const std::wstring instruction = platform::win::Wide(title);
    wchar_t displayName[MAX_PATH] {};
    BROWSEINFOW info {};
    info.hwndOwner = ::GetActiveWindow();
    info.pszDisplayName = displayName;
    info.lpszTitle = instruction.c_str();
    info.ulFlags = FlagsOf(kind) | (newDialogStyle ? BIF_NEWDIALOGSTYLE : 0);
    const std::unique_ptr<ITEMIDLIST, IdListDeleter> chosen(::SHBrowseForFolderW(&info));
    if (!chosen)
        return {};
    wchar_t path[MAX_PATH] {};
    if (!::SHGetPathFromIDListW(chosen.get(), path))
        return {};
    return platform::win::Narrow(path);
}

} // namespace ui
