#pragma once
// Start with the system: no companion service does it on Linux, so the client
// keeps its own entry in the desktop's autostart folder.
#include <optional>
#include <string>

class TAppConfig;

namespace ui::gtk {

// $XDG_CONFIG_HOME/autostart/pictavo.desktop (default ~/.config).
std::string AutostartEntryPath();

// The program the entry names: the installed one when this process runs it
// (its file may have been replaced by an upgrade since), else this process's
// own file.
std::string AutostartProgramPath(const std::string& ownExe, const std::string& installed);
// The same for this process and the package's installed path.
std::string AutostartProgramPath();

// The entry that starts program in the tray; none when the path cannot be
// written into an Exec line (a line break in it).
std::optional<std::string> AutostartEntry(const std::string& program);

// What the session will do with the entry at the next login. Desktops turn
// an entry off in it (Hidden, X-GNOME-Autostart-enabled) or delete it.
enum class AutostartState { Missing, On, Off };
AutostartState ReadAutostartState();

// Makes the entry exist (naming program) when autoRun, and not start the
// client otherwise; an entry the desktop turned off is left as it is. Writes
// only what differs, replacing the file in one step. False when the folder
// could not be changed.
bool SyncAutostart(bool autoRun, const std::string& program);

// At each start: the setting follows the entry as the desktop left it. Only
// the first start, before the setting was ever saved, makes the entry; an
// entry turned off, or deleted after it was made, stays so.
void StartAutostart(TAppConfig& config, const std::string& program);

} // namespace ui::gtk
