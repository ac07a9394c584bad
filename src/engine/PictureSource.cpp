#include "engine/PictureSource.h"

#include <cstdio>
#include <vector>

#include "engine/BmpReader.h"
#include "engine/JpegCodec.h"
#include "engine/PictureError.h"
#include "platform/FileSystem.h"
#include "platform/PictureDecode.h"
#include "util/TextUtil.h"

namespace picture {
namespace {

class JpegSource : public PictureSource {
public:
    explicit JpegSource(const std::string& path) : reader_(path) {}
    int width() const override { return reader_.width(); }
    int height() const override { return reader_.height(); }
    void PrepareFor(int outWidth, int) override { reader_.AllowShrinkTo(outWidth); }
    int rowsWidth() const override { return reader_.decodedWidth(); }
    int rowsHeight() const override { return reader_.decodedHeight(); }
    void Read(RowSink& sink) override { reader_.Read(sink); }

private:
    JpegReader reader_;
};

class BmpSource : public PictureSource {
public:
    explicit BmpSource(const std::string& path) : reader_(path) {}
    int width() const override { return reader_.width(); }
    int height() const override { return reader_.height(); }
    void PrepareFor(int, int) override {}
    int rowsWidth() const override { return reader_.width(); }
    int rowsHeight() const override { return reader_.height(); }
    void Read(RowSink& sink) override { reader_.Read(sink); }

private:
    BmpReader reader_;
};

// The system draws the picture straight at the size wanted.
class SystemSource : public PictureSource {
public:
    explicit SystemSource(const std::string& path) : path_(path)
    {
        std::string error;
        if (!platform::SystemPictureSize(path, width_, height_, error))
            throw EPictureError("Cannot decode the picture " + path + ": " + error);
        if (static_cast<std::int64_t>(width_) * height_ > kMaxPixels)
            throw EPictureError("The picture " + path + " is too large");
        rowsW_ = width_;
        rowsH_ = height_;
    }
    int width() const override { return width_; }
    int height() const override { return height_; }
    void PrepareFor(int outWidth, int outHeight) override
    {
        rowsW_ = outWidth;
        rowsH_ = outHeight;
    }
    int rowsWidth() const override { return rowsW_; }
    int rowsHeight() const override { return rowsH_; }
    void Read(RowSink& sink) override
    {
        std::vector<std::uint8_t> rgb;
        std::string error;
        if (!platform::RenderSystemPicture(path_, rowsW_, rowsH_, rgb, error))
            throw EPictureError("Cannot decode the picture " + path_ + ": " + error);
        for (std::size_t y = 0; y < static_cast<std::size_t>(rowsH_); ++y)
            sink.PutRow(rgb.data() + y * static_cast<std::size_t>(rowsW_) * 3);
    }

private:
    std::string path_;
    int width_ = 0, height_ = 0, rowsW_ = 0, rowsH_ = 0;
};

std::string Extension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto sep = path.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
        return {};
    return text::AsciiLower(path.substr(dot + 1));
}

} // namespace

std::unique_ptr<PictureSource> OpenPicture(const std::string& path)
{
    unsigned char sig[2] = {0, 0};
    {
        platform::FilePtr f = platform::OpenStdFile(path, "rb");
        if (!f)
            throw EPictureError("Cannot open the picture " + path);
        if (std::fread(sig, 1, 2, f.get()) != 2)
            sig[0] = sig[1] = 0;
    }
    if (sig[0] == 0xFF && sig[1] == 0xD8)
        return std::make_unique<JpegSource>(path);
    if (sig[0] == 'B' && sig[1] == 'M')
        return std::make_unique<BmpSource>(path);
    const std::string ext = Extension(path);
    if (ext == "ico" || ext == "emf" || ext == "wmf")
        return std::make_unique<SystemSource>(path);
    throw EPictureError("Cannot decode the picture " + path + ": it is neither a JPEG nor a bitmap");
}

} // namespace picture
