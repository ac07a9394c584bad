#pragma once
// Windows bitmaps, decoded here because their bytes are untrusted: every
// header field and size is checked against the file before anything is
// allocated. Uncompressed 1/4/8-bit palette, 16/24/32-bit (with or without
// bit fields), top-down or bottom-up, core/info/V4/V5 headers. RLE and
// embedded JPEG/PNG bitmaps are refused.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/RowSink.h"

namespace picture {

class BmpReader {
public:
    // Opens the file and checks its headers; raises EPictureError.
    explicit BmpReader(const std::string& path);
    ~BmpReader();
    BmpReader(const BmpReader&) = delete;
    BmpReader& operator=(const BmpReader&) = delete;

    int width() const;
    int height() const;
    // Sends every row, top first, as RGB.
    void Read(RowSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace picture
