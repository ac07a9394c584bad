#pragma once
// Stateless helpers for files, folders and the user. None raises an error:
// a failure of the system is an empty text, false or -1.
#include <string>
#include <string_view>
#include <vector>

enum TBrowseKind { bkFolders, bkFilesToo, bkComputers, bkPrinters };

// Appends the files under folder to target as full paths: the files of each
// sub-folder as soon as it is met, the folder's own entries after its whole
// enumeration, in the order the file system reports them. With
// includeFolders, the folder's direct sub-folders are listed too (never deeper
// ones). True when target holds at least one entry afterwards; false and
// target untouched when target is null or the folder does not exist.
bool ListFiles(std::vector<std::string>* target, std::string folder, bool includeFolders);

// True when the file starts with FF D8 (JPEG) or "BM" (bitmap); the name
// plays no part.
bool IsImageFile(const std::string& path);

// Shell special folder by CSIDL number (26 = application data); no trailing
// separator.
std::string GetSpecialFolderPath(int csidl);
std::string GetWindowsFolder();
std::string GetCurrentUserName();

// Whether a new file can be created in the folder; leaves nothing behind.
bool IsFolderWritable(const std::string& folder);

// 1-based byte position of the last occurrence of delimiter in text, or -1
// (also when either is empty).
int LastDelimiterPos(std::string_view delimiter, std::string_view text);
