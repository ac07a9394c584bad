#include <cstdlib>
#include <string_view>

#include "platform/linux/LinuxDesktop.h"
#include "util/TextUtil.h"

namespace platform::linuxdesk {
namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

struct Name {
    std::string_view name;
    DesktopKind kind;
};

// XDG_CURRENT_DESKTOP names, compared whole (case ignored).
constexpr Name kDesktopNames[] {
    {"gnome", DesktopKind::Gnome}, {"gnome-classic", DesktopKind::Gnome},
    {"gnome-flashback", DesktopKind::Gnome}, {"unity", DesktopKind::Gnome},
    {"budgie", DesktopKind::Gnome}, {"pantheon", DesktopKind::Gnome},
    {"x-cinnamon", DesktopKind::Cinnamon}, {"cinnamon", DesktopKind::Cinnamon},
    {"mate", DesktopKind::Mate}, {"xfce", DesktopKind::Xfce}, {"kde", DesktopKind::Kde},
    {"lxde", DesktopKind::Lxde}, {"lxqt", DesktopKind::Lxqt}, {"sway", DesktopKind::Sway},
};

// DESKTOP_SESSION names vary more ("gnome-xorg", "plasmawayland", "LXDE-pi"):
// compared by prefix.
constexpr Name kSessionPrefixes[] {
    {"gnome", DesktopKind::Gnome}, {"ubuntu", DesktopKind::Gnome}, {"unity", DesktopKind::Gnome},
    {"budgie", DesktopKind::Gnome}, {"pantheon", DesktopKind::Gnome},
    {"cinnamon", DesktopKind::Cinnamon}, {"mate", DesktopKind::Mate},
    {"xfce", DesktopKind::Xfce}, {"xubuntu", DesktopKind::Xfce},
    {"plasma", DesktopKind::Kde}, {"kde", DesktopKind::Kde},
    {"lxde", DesktopKind::Lxde}, {"lxqt", DesktopKind::Lxqt}, {"lubuntu", DesktopKind::Lxqt},
    {"sway", DesktopKind::Sway},
};

DesktopKind FromCurrentDesktop(std::string_view list)
{
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string token = text::AsciiLower(list.substr(0, colon));
        for (const Name& n : kDesktopNames)
            if (token == n.name)
                return n.kind;
        if (colon == std::string_view::npos)
            break;
        list.remove_prefix(colon + 1);
    }
    return DesktopKind::Unknown;
}

DesktopKind FromSession(std::string_view session)
{
    // Some display managers give the session file's path.
    const std::size_t slash = session.rfind('/');
    if (slash != std::string_view::npos)
        session.remove_prefix(slash + 1);
    const std::string name = text::AsciiLower(session);
    if (name.empty())
        return DesktopKind::Unknown;
    for (const Name& n : kSessionPrefixes)
        if (name.starts_with(n.name))
            return n.kind;
    return DesktopKind::Unknown;
}

bool IsWaylandSession(const DesktopEnvironment& env)
{
    return !env.waylandDisplay.empty() || text::AsciiLower(env.sessionType) == "wayland";
}

} // namespace

DesktopEnvironment ReadDesktopEnvironment()
{
    return {Env("XDG_CURRENT_DESKTOP"), Env("DESKTOP_SESSION"), Env("DISPLAY"),
            Env("WAYLAND_DISPLAY"), Env("SWAYSOCK"), Env("XDG_SESSION_TYPE")};
}

DesktopKind DetectDesktop(const DesktopEnvironment& env)
{
    DesktopKind kind = FromCurrentDesktop(env.currentDesktop);
    if (kind == DesktopKind::Unknown)
        kind = FromSession(env.session);
    if (kind != DesktopKind::Unknown)
        return kind;
    if (!env.swaySocket.empty())
        return DesktopKind::Sway;
    // Under an unknown Wayland compositor the X root window is not what the
    // user sees, so drawing it would report a change nobody gets (and could
    // start Xwayland just for that).
    if (!env.display.empty() && !IsWaylandSession(env))
        return DesktopKind::X11;
    return DesktopKind::Unknown;
}

std::string DescribeDesktop(const DesktopEnvironment& env)
{
    std::string name = !env.currentDesktop.empty() ? env.currentDesktop : env.session;
    if (name.empty())
        name = "unnamed";
    if (IsWaylandSession(env))
        return name + ", Wayland";
    return name + (env.display.empty() ? ", no display" : ", X11");
}

} // namespace platform::linuxdesk
