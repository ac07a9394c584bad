// set_wallpaper <file> <style> [times]: applies the file as wallpaper in this
// process's environment (times over, 1 by default); exit status 0 when the
// desktop took it every time.
#include <cstdlib>
#include <string>

#include "engine/WallpaperApply.h"

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4)
        return 2;
    const int style = std::atoi(argv[2]);
    const int times = argc == 4 ? std::atoi(argv[3]) : 1;
    bool taken = true;
    for (int i = 0; i < times; ++i)
        taken = engine::ApplyWallPaper(argv[1], static_cast<std::uint8_t>(style)) && taken;
    return taken ? 0 : 1;
}
