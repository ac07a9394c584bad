#include "ui/gtk/Language.h"

#include <libintl.h>

#include <clocale>

#include <string>

#include "platform/FileSystem.h"

#ifndef PICTAVO_INSTALLED_LOCALEDIR
#define PICTAVO_INSTALLED_LOCALEDIR "/usr/share/locale"
#endif

namespace ui::gtk {

void SetUpLanguage()
{
    std::setlocale(LC_ALL, "");
    std::string dir = PICTAVO_INSTALLED_LOCALEDIR;
    const std::string exe = platform::OwnExecutablePath();
    const auto slash = exe.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = exe.substr(0, slash) + "/../share/locale";
        if (platform::DirectoryExists(beside))
            dir = beside;
    }
    bindtextdomain("pictavo", dir.c_str());
    bind_textdomain_codeset("pictavo", "UTF-8");
    textdomain("pictavo");
}

} // namespace ui::gtk
