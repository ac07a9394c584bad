#pragma once
// Pictures travel through decoding, scaling and encoding one RGB row at a
// time, so no stage holds more than a few rows of a large picture.
#include <cstdint>

namespace picture {

// Largest picture accepted, in pixels and along either side. 300 megapixels
// takes 16384 x 16384 (268 M) and the largest camera files; the streaming
// stages never hold the whole picture, so only what a decoder itself needs
// (progressive JPEG coefficients) grows with it, and that is capped too.
inline constexpr std::int64_t kMaxPixels = 300'000'000;
inline constexpr int kMaxSide = 65535;
// Working memory libjpeg may take for one picture (progressive JPEGs keep
// all coefficients: 3 bytes a pixel at 4:2:0).
inline constexpr long kMaxDecoderMemory = 1L << 30;

// Receives the rows of a picture of known width, top to bottom, 3 bytes a
// pixel (R, G, B). The row pointer is valid only during the call.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void PutRow(const std::uint8_t* rgb) = 0;
};

} // namespace picture
