#pragma once
// "Open the wallpaper folder": the folder in the desktop's file manager. A
// folder that went since start-up is made again first.
#include <string>

namespace app::gtk {

// False when the folder cannot be made. The file manager answers later: a
// desktop without one is told through the user's default folder handler
// (what xdg-open runs), and a failure of both is logged.
bool OpenWallpaperFolder(const std::string& folder);

} // namespace app::gtk
