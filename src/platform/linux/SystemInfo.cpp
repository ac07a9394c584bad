#include "platform/SystemInfo.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// The account's passwd entry: a service may start us without HOME or USER.
bool OwnPasswdEntry(std::string& name, std::string& home)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw {};
    passwd* result = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &result) != 0 || !result)
        return false;
    name = pw.pw_name ? pw.pw_name : "";
    home = pw.pw_dir ? pw.pw_dir : "";
    return true;
}

std::string StripTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

int WindowsMajorVersion()
{
    return 0;
}

std::string ServiceExecutableName()
{
    return "BrisvaneService";
}

std::string SpecialFolderPath(int csidl)
{
    if (csidl != CSIDL_APPDATA_FOLDER)
        return {};
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return StripTrailingSlashes(xdg);
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else {
        std::string name;
        if (!OwnPasswdEntry(name, home) || home.empty() || home[0] != '/')
            return {};
    }
    home = StripTrailingSlashes(home);
    return (home == "/" ? "" : home) + "/.config";
}

std::string WindowsFolder()
{
    return {};
}

std::string CurrentUserName()
{
    std::string name, home;
    return OwnPasswdEntry(name, home) ? name : std::string();
}

} // namespace platform
