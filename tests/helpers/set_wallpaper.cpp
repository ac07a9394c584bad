// set_wallpaper <file> <style>: applies the file as wallpaper in this
// process's environment; exit status 0 when the desktop took it.
#include <cstdlib>
#include <string>

#include "engine/WallpaperApply.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int style = std::atoi(argv[2]);
    return engine::ApplyWallPaper(argv[1], static_cast<std::uint8_t>(style)) ? 0 : 1;
}
