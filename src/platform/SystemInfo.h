#pragma once
// Facts about the system and the account the program runs as.
#include <string>

namespace platform {

// The Windows major version (5 = XP/2003, 6 and above = Vista and later);
// 0 on a system that is not Windows.
int WindowsMajorVersion();

// File name of the companion service's executable in the client's folder.
std::string ServiceExecutableName();

inline constexpr int CSIDL_APPDATA_FOLDER = 26;

// The shell special folder with that CSIDL number, without a trailing
// separator; empty when it cannot be resolved. Linux knows the application
// data folder only: $XDG_CONFIG_HOME, else the home folder's ".config".
std::string SpecialFolderPath(int csidl);

// The Windows folder (e.g. C:\Windows); always empty on Linux, which has none.
std::string WindowsFolder();

// Name of the account the process runs as; empty when it cannot be read.
std::string CurrentUserName();

} // namespace platform
