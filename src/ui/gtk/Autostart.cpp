#include "ui/gtk/Autostart.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <cstdlib>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
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

AutostartState ReadAutostartState()
{
    const std::string path = AutostartEntryPath();
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> keys(g_key_file_new(), &g_key_file_free);
    GError* raw = nullptr;
    if (!g_key_file_load_from_file(keys.get(), path.c_str(), G_KEY_FILE_NONE, &raw)) {
        const GErrorPtr error(raw);
        // An entry the session cannot read starts nothing either.
        return g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT) ? AutostartState::Missing
                                                                               : AutostartState::Off;
    }
    const auto flag = [&](const char* key, bool absent) {
        GError* failed = nullptr;
        const bool value = g_key_file_get_boolean(keys.get(), G_KEY_FILE_DESKTOP_GROUP, key, &failed);
        const GErrorPtr error(failed);
        return error ? absent : value;
    };
    return flag(G_KEY_FILE_DESKTOP_KEY_HIDDEN, false) || !flag("X-GNOME-Autostart-enabled", true)
        ? AutostartState::Off
        : AutostartState::On;
}

bool SyncAutostart(bool autoRun, const std::string& program)
{
    const std::string path = AutostartEntryPath();
    if (!autoRun)
        return ReadAutostartState() == AutostartState::Off || g_remove(path.c_str()) == 0 || errno == ENOENT;

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

void StartAutostart(TAppConfig& config, const std::string& program)
{
    const bool saved = !std::get<std::string>(
                            ReadIniValue(config.ConfigFile(), "Config", "AutoRun", ikString, std::string()))
                            .empty();
    const AutostartState entry = ReadAutostartState();
    const bool autoRun = entry == AutostartState::Missing ? !saved && config.AutoRun() : entry == AutostartState::On;
    try {
        config.SetAutoRun(autoRun);
        // Saved even when unchanged: from now on a missing entry means the
        // user deleted it.
        if (!saved)
            WriteIniValue(config.ConfigFile(), "Config", "AutoRun", autoRun, ikBool);
    } catch (const EIniFileException&) {
        return; // no window is up to say it; the next start tries again
    }
    if (autoRun && entry == AutostartState::Missing)
        SyncAutostart(true, program);
}

} // namespace ui::gtk
