// DeskWallpaper <file>: writes the wallpaper path the system reports
// (SPI_GETDESKWALLPAPER) to file as UTF-8. A process of its own, because a
// process keeps the value it read first.
#include <windows.h>

#include <cstdio>

#include "platform/win32/WinText.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    wchar_t path[MAX_PATH] {};
    if (!::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0))
        return 1;
    FILE* out = ::_wfopen(argv[1], L"wb");
    if (!out)
        return 1;
    const std::string text = platform::win::Narrow(path);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return 0;
}
