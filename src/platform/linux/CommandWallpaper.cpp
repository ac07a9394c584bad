#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {

bool RunWallpaperCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout)
{
    if (argv.empty())
        return false;
    std::vector<gchar*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<gchar*>(a.c_str()));
    args.push_back(nullptr);

    // No shell: the path travels as one argument whatever it contains. A
    // program that cannot be started is an error here, so never a success.
    GPid pid = 0;
    GError* raw = nullptr;
    const gboolean started = g_spawn_async(
        nullptr, args.data(), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                 G_SPAWN_STDERR_TO_DEV_NULL),
        nullptr, nullptr, &pid, &raw);
    const GErrorPtr error(raw);
    if (!started)
        return false;

    // The worker lock is held meanwhile: a setter that hangs must not hold
    // the wallpaper changes, the downloads and the end of the program with it.
    // The child is not reaped before the kill, so its number is still ours.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    int status = 0;
    pid_t ended = 0;
    const auto poll = [&] {
        do
            ended = ::waitpid(pid, &status, WNOHANG);
        while (ended < 0 && errno == EINTR);
        return ended;
    };
    while (poll() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return false;
    }
    return ended == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform::linuxdesk
