#pragma once
// Fitting a wallpaper picture to the screen's width.
//
// The user's picture is never rewritten: a picture wider than the screen is
// scaled to exactly the screen's width (height = width * H / W, truncated,
// at least 1) and written as a baseline colour JPEG of quality 90 to a file
// of the client's own in the cache folder, named after the source path.
// That file is the one to apply. Writes go to a temporary file in the same
// folder and replace the target in one step, so a crash or a full disk
// never leaves a truncated picture. The cache keeps the newest few files.
//
// Pictures are recognised by their bytes (JPEG, Windows bitmap); icons and
// metafiles go to the system's decoder where there is one. Limits: at most
// 300 megapixels and 65535 pixels a side (16384 x 16384 works); JPEG
// decoding may use at most 1 GiB (a progressive 16384 x 16384 4:2:0 picture
// needs 0.8 GiB, a baseline one only a few rows). Decoding, scaling and
// encoding stream rows, so memory stays small for baseline JPEG and bitmaps.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/PictureError.h"

struct FitResult {
    bool fitted = false;
    std::string file;   // the picture to apply
};

// Asked between rows; true stops the fit with EPictureCancelled.
using FitStopRequested = std::function<bool()>;

// fitted with the cache file when the picture was wider than screenWidth;
// otherwise not fitted with path itself (also when no file is at path, or
// screenWidth is not positive). Raises EPictureError for pictures that
// cannot be decoded, are of an unsupported kind or over the limits, and
// EPictureWriteError when the fitted copy cannot be written.
FitResult FitToScreenWidth(const std::string& path, int screenWidth, const std::string& cacheDir,
                           const FitStopRequested& stop = {});

namespace picture {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The height a picture of width x height gets at targetWidth.
int FittedHeight(int width, int height, int targetWidth);

// Scales the picture at source to targetWidth (larger or smaller) and writes
// it as JPEG to output, atomically. Returns the size written.
PictureSize FitPictureFile(const std::string& source, int targetWidth, const std::string& output,
                           const FitStopRequested& stop = {});

// A whole decoded picture, rows top first, 3 bytes a pixel.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};
RgbPicture LoadPicture(const std::string& path);

} // namespace picture
