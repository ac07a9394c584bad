#pragma once
// The system's folder chooser. Each edition's window layer implements it
// (src/ui/win32, src/ui/gtk); it runs on the main thread, its only caller.
#include <string>

namespace ui {

enum class TBrowseKind { bkFolders, bkFilesToo, bkComputers, bkPrinters };

// The chosen path, or an empty text when the user cancelled.
std::string BrowseForFolder(const std::string& title, TBrowseKind kind, bool newDialogStyle);

} // namespace ui
