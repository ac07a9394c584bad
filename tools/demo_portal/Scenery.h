#pragma once
// The demo portal's pictures: procedural landscapes drawn at any size, one
// RGB row at a time, so an 8K picture never sits in memory whole.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/RowSink.h"

namespace demo {

struct Size {
    int width;
    int height;
};

struct Picture {
    std::string name;  // file-name stem: lower case, no ","
    std::string title; // shown on the gallery page
    std::vector<Size> sizes;
};

// Every picture the portal offers with the variants of each, smallest first.
const std::vector<Picture>& Catalogue();
// The variant the "before ?" address of a picture is served in.
inline constexpr Size kFallbackSize {1920, 1080};
inline constexpr Size kThumbSize {200, 112};

// Draws picture `name` (from the catalogue) at the given size into sink.
void Render(const std::string& name, Size size, picture::RowSink& sink);

} // namespace demo
