#pragma once
// Other processes, and this start, as far as the run-mode decision needs them.
#include <string>

namespace platform {

// Full image path of the process that started this one; empty when the
// parent is gone, cannot be opened or its path cannot be read.
std::string ParentProcessImagePath();

// The environment variable by which a start asks to stay in the tray: the
// program takes no arguments, and a login start (the Linux autostart entry)
// must not open the window.
inline constexpr const char* kTrayOnlyStartVariable = "PICTAVO_TRAY_ONLY";

// Whether this start asked for the tray (the variable is "1"). Linux only;
// Windows starts resident through the companion service. Removes the
// variable, so programs this one starts do not inherit the request: call it
// before other threads run.
bool TrayOnlyStartRequested();

} // namespace platform
