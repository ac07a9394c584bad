#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {

bool RunWallpaperCommand(const std::vector<std::string>& argv)
{
    if (argv.empty())
        return false;
    std::vector<gchar*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<gchar*>(a.c_str()));
    args.push_back(nullptr);

    // No shell: the path travels as one argument whatever it contains. A
    // program that cannot be started is an error here, so never a success.
    gint status = 0;
    GError* raw = nullptr;
    const gboolean started = g_spawn_sync(
        nullptr, args.data(), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
        nullptr, nullptr, nullptr, nullptr, &status, &raw);
    GErrorPtr error(raw);
    if (!started)
        return false;
    raw = nullptr;
    const gboolean exitedZero = g_spawn_check_wait_status(status, &raw);
    error.reset(raw);
    return exitedZero;
}

} // namespace platform::linuxdesk
