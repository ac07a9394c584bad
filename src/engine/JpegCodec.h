#pragma once
// JPEG through libjpeg-turbo: a streaming reader that can let the decoder
// shrink by any M/8 on the way, and a baseline quality-90 writer.
// Both raise EPictureError; libjpeg never ends the process.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/RowSink.h"

namespace picture {

// The M (1 to 8) of the smallest M/8 decoder scale at which a picture of
// this width still decodes at least minWidth wide. Decoding smaller leaves
// the scaler less to do and skips it when the width comes out exact.
int JpegScaleEighths(int width, int minWidth);

class JpegReader {
public:
    // Opens the file and reads its header; refuses pictures over the limits.
    explicit JpegReader(const std::string& path);
    ~JpegReader();
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    int width() const;   // as stored
    int height() const;
    // Lets the decoder shrink the picture as far as it can while the decoded
    // width stays at least minWidth. Call before Read.
    void AllowShrinkTo(int minWidth);
    int decodedWidth() const;
    int decodedHeight() const;
    // Decodes every row, as RGB, into sink.
    void Read(RowSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class JpegWriter : public RowSink {
public:
    // Creates the file at path. name is the file the messages speak of.
    JpegWriter(const std::string& path, const std::string& name, int width, int height);
    ~JpegWriter() override;
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    void PutRow(const std::uint8_t* rgb) override;
    // Completes and closes the file; every row must have been put.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace picture
