// Fits one picture to a width and writes it as JPEG:
//   fitpic <input> <width> <output.jpg>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "engine/PictureFit.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fitpic <input> <width> <output.jpg>\n");
        return 2;
    }
    const int width = std::atoi(argv[2]);
    try {
        const auto size = picture::FitPictureFile(argv[1], width, argv[3]);
        std::printf("%d x %d\n", size.width, size.height);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
