#include "ui/gtk/Autostart.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "ui/gtk/GtkPtr.h"

#ifndef PICTAVO_INSTALLED_PROGRAM
#define PICTAVO_INSTALLED_PROGRAM "/usr/bin/pictavo"
#endif

namespace ui::gtk {
namespace {

// An Exec argument in double quotes: the quoting rule escapes " ` $ \, the
// string value rule then doubles every backslash again, and % is the field
// code marker.
std::string QuoteExecArgument(const std::string& arg)
{
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string AutostartEntryPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && *config == '/' ? config : std::string(g_get_home_dir()) + "/.config";
    return base + "/autostart/pictavo.desktop";
}

std::string AutostartProgramPath(const std::string& ownExe, const std::string& installed)
{
    const bool runsInstalled = ownExe == installed || !platform::FileExists(ownExe);
    return runsInstalled && platform::FileExists(installed) ? installed : ownExe;
}

std::string AutostartProgramPath()
{
    return AutostartProgramPath(platform::OwnExecutablePath(), PICTAVO_INSTALLED_PROGRAM);
}

std::optional<std::string> AutostartEntry(const std::string& program)
{
    if (program.empty() || program.find_first_of("\r\n") != std::string::npos)
        return std::nullopt;
    // A login start asks for the tray through the environment: the program
    // itself takes no arguments.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pictavo\n"
           "Comment=Desktop wallpapers from the Pictavo portal\n"
           "Exec=env " + std::string(platform::kTrayOnlyStartVariable) + "=1 " + QuoteExecArgument(program) + "\n"
           "Icon=pictavo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool SyncAutostart(bool autoRun, const std::string& program)
{
    const std::string path = AutostartEntryPath();
    if (!autoRun)
        return g_remove(path.c_str()) == 0 || errno == ENOENT;

    const auto entry = AutostartEntry(program);
    if (!entry)
        return false;
    gchar* raw = nullptr;
    gsize length = 0;
    if (g_file_get_contents(path.c_str(), &raw, &length, nullptr)) {
        const GCharPtr current(raw);
        if (std::string(raw, length) == *entry)
            return true;
    }
    const GCharPtr dir(g_path_get_dirname(path.c_str()));
    if (g_mkdir_with_parents(dir.get(), 0700) != 0)
        return false;
    // g_file_set_contents writes a temporary file beside it and renames it over.
    return g_file_set_contents(path.c_str(), entry->data(), static_cast<gssize>(entry->size()), nullptr);
}

} // namespace ui::gtk
