#include <cstdio>

#include "platform/linux/GLibPtr.h"
#include "platform/linux/LinuxDesktop.h"

namespace platform::linuxdesk {
namespace {

struct StyleNames {
    const char* center;
    const char* tile;
    const char* stretch;
    const char* max;
};

const char* Pick(const StyleNames& names, WallpaperStyle style)
{
    switch (style) {
    case WallpaperStyle::Tile: return names.tile;
    case WallpaperStyle::Stretch: return names.stretch;
    case WallpaperStyle::Max: return names.max;
    case WallpaperStyle::Center: break;
    }
    return names.center;
}

// sway reads the path twice: its command parser splits at unquoted ',', ';'
// and blanks and strips one level of quotes, then the background command
// runs the rest through wordexp(3), which would substitute commands. Both
// levels are quoted with quote characters alone, since sway versions differ
// in what they do with backslashes.
std::string QuoteForWordExpansion(const std::string& path)
{
    std::string quoted;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || g_ascii_isalnum(c) || std::string_view("/._-+=:@%^").find(c) != std::string_view::npos)
            quoted += c;
        else if (c == '\'')
            quoted += "\"'\"";
        else
            quoted += std::string {'\'', c, '\''};
    }
    return quoted;
}

std::string QuoteForSwayCommand(const std::string& words)
{
    std::string quoted = "\"";
    for (const char c : words) {
        if (c == '"')
            quoted += "\"'\"'\""; // leave the double quotes, single-quote it, go back
        else
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace

const char* GSettingsPictureOption(WallpaperStyle style)
{
    return Pick({"centered", "wallpaper", "stretched", "zoom"}, style);
}

int XfceImageStyle(WallpaperStyle style)
{
    // xfdesktop: 1 centred, 2 tiled, 3 stretched, 5 zoomed
    switch (style) {
    case WallpaperStyle::Tile: return 2;
    case WallpaperStyle::Stretch: return 3;
    case WallpaperStyle::Max: return 5;
    case WallpaperStyle::Center: break;
    }
    return 1;
}

int PlasmaFillMode(WallpaperStyle style)
{
    // Qt Image.FillMode: 0 Stretch, 2 PreserveAspectCrop, 3 Tile, 6 Pad (centred)
    switch (style) {
    case WallpaperStyle::Tile: return 3;
    case WallpaperStyle::Stretch: return 0;
    case WallpaperStyle::Max: return 2;
    case WallpaperStyle::Center: break;
    }
    return 6;
}

const char* PcmanfmMode(WallpaperStyle style, bool qt)
{
    return Pick({"center", "tile", "stretch", qt ? "zoom" : "crop"}, style);
}

const char* SwayMode(WallpaperStyle style)
{
    return Pick({"center", "tile", "stretch", "fill"}, style);
}

std::string AbsolutePath(const std::string& path)
{
    if (path.empty())
        return {};
    const GCharPtr absolute(g_canonicalize_filename(path.c_str(), nullptr));
    return absolute ? absolute.get() : "";
}

std::string FileUri(const std::string& path)
{
    GError* raw = nullptr;
    const GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, &raw));
    const GErrorPtr error(raw);
    return uri ? uri.get() : "";
}

std::string PlasmaScript(const std::string& uri, int fillMode)
{
    std::string quoted = "\"";
    for (const char c : uri) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"' || c == '\'') {
            quoted += '\\';
            quoted += c;
        } else if (u < 0x20 || u == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    // Prints what each desktop holds afterwards, so the caller can check it.
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "  var d = all[i];\n"
           "  d.wallpaperPlugin = \"org.kde.image\";\n"
           "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "  d.writeConfig(\"Image\", " + quoted + ");\n"
           "  d.writeConfig(\"FillMode\", " + std::to_string(fillMode) + ");\n"
           "  print(d.readConfig(\"Image\") + \"\\n\");\n"
           "}\n";
}

std::vector<std::string> SwayArguments(const std::string& path, WallpaperStyle style)
{
    // swaymsg sends its arguments as one command line, and sway takes a line
    // break for the end of a command whatever quotes surround it.
    if (path.empty() || path.front() != '/' || path.find_first_of(std::string_view("\n\0", 2)) != std::string::npos)
        return {};
    return {"swaymsg", "output", "*", "bg", QuoteForSwayCommand(QuoteForWordExpansion(path)), SwayMode(style)};
}

std::vector<std::string> PcmanfmArguments(const std::string& path, WallpaperStyle style, bool qt)
{
    return {qt ? "pcmanfm-qt" : "pcmanfm", "--set-wallpaper=" + path,
            std::string("--wallpaper-mode=") + PcmanfmMode(style, qt)};
}

} // namespace platform::linuxdesk
