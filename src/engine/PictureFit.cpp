#include "engine/PictureFit.h"

#include <climits>

#include "engine/FitCache.h"
#include "engine/JpegCodec.h"
#include "engine/PictureSource.h"
#include "engine/Resampler.h"
#include "platform/FileSystem.h"

namespace picture {
namespace {

std::string FolderOf(const std::string& path)
{
    const auto sep = path.find_last_of("/\\");
    return sep == std::string::npos ? std::string(".") : path.substr(0, sep + 1);
}

class Collector : public RowSink {
public:
    explicit Collector(RgbPicture& p) : p_(p) {}
    void PutRow(const std::uint8_t* rgb) override
    {
        p_.rgb.insert(p_.rgb.end(), rgb, rgb + static_cast<std::size_t>(p_.width) * 3);
    }

private:
    RgbPicture& p_;
};

// Everything that goes wrong on the writing side is a write error, so the
// caller can tell a full disk from a damaged picture.
class WriteSide : public RowSink {
public:
    WriteSide(const std::string& temp, const std::string& output, int w, int h)
    try : writer_(temp, output, w, h) {
    } catch (const EPictureError& e) {
        throw EPictureWriteError(e.what());
    }
    void PutRow(const std::uint8_t* rgb) override
    {
        try {
            writer_.PutRow(rgb);
        } catch (const EPictureError& e) {
            throw EPictureWriteError(e.what());
        }
    }
    void Finish()
    {
        try {
            writer_.Finish();
        } catch (const EPictureError& e) {
            throw EPictureWriteError(e.what());
        }
    }

private:
    JpegWriter writer_;
};

// Passes rows on and lets a stop request end a long fit between two rows.
class StopCheck : public RowSink {
public:
    StopCheck(RowSink& next, const FitStopRequested& stop) : next_(next), stop_(stop) {}
    void PutRow(const std::uint8_t* rgb) override
    {
        if (stop_ && stop_())
            throw EPictureCancelled();
        next_.PutRow(rgb);
    }

private:
    RowSink& next_;
    const FitStopRequested& stop_;
};

// Decodes, scales and encodes in one pass into a temporary file beside
// output, which then replaces output; on any failure the temporary goes.
PictureSize WriteFitted(PictureSource& src, int targetWidth, const std::string& output,
                        const FitStopRequested& stop)
{
    const int w = targetWidth;
    const int h = FittedHeight(src.width(), src.height(), targetWidth);
    if (h > kMaxSide || static_cast<std::int64_t>(w) * h > kMaxPixels)
        throw EPictureError("Cannot write the picture " + output + ": " + std::to_string(w) + " x " +
                            std::to_string(h) + " pixels is too large");
    src.PrepareFor(w, h);
    const std::string temp = platform::CreateUniqueFile(FolderOf(output), "fit");
    if (temp.empty())
        throw EPictureWriteError("Cannot write the picture " + output + ": no file can be created in its folder");
    try {
        WriteSide writer(temp, output, w, h);
        if (src.rowsWidth() == w && src.rowsHeight() == h) {
            StopCheck rows(writer, stop);
            src.Read(rows);
        } else {
            Resampler scaler(src.rowsWidth(), src.rowsHeight(), w, h, writer);
            StopCheck rows(scaler, stop);
            src.Read(rows);
        }
        writer.Finish();
    } catch (...) {
        platform::RemoveFile(temp);
        throw;
    }
    if (!platform::RenameOver(temp, output)) {
        platform::RemoveFile(temp);
        throw EPictureWriteError("Cannot write the picture " + output + ": it cannot replace the file there");
    }
    return {w, h};
}

} // namespace

int FittedHeight(int width, int height, int targetWidth)
{
    if (width <= 0 || height <= 0 || targetWidth <= 0)
        throw EPictureError("Invalid picture size");
    const std::int64_t product = static_cast<std::int64_t>(targetWidth) * height;
    if (product > INT32_MAX)
        throw EPictureError("The scaled picture would be too large");
    // A very wide strip would truncate to nothing; one row still shows it.
    return std::max(1, static_cast<int>(product / width));
}

PictureSize FitPictureFile(const std::string& source, int targetWidth, const std::string& output,
                           const FitStopRequested& stop)
{
    if (targetWidth <= 0 || targetWidth > kMaxSide)
        throw EPictureError("Invalid target width " + std::to_string(targetWidth));
    const auto src = OpenPicture(source);
    return WriteFitted(*src, targetWidth, output, stop);
}

RgbPicture LoadPicture(const std::string& path)
{
    const auto src = OpenPicture(path);
    RgbPicture p;
    p.width = src->rowsWidth();
    p.height = src->rowsHeight();
    p.rgb.reserve(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 3);
    Collector sink(p);
    src->Read(sink);
    return p;
}

} // namespace picture

FitResult FitToScreenWidth(const std::string& path, int screenWidth, const std::string& cacheDir,
                           const FitStopRequested& stop)
{
    if (!platform::FileExists(path))
        return {false, path};
    const auto src = picture::OpenPicture(path);
    if (screenWidth <= 0 || src->width() <= screenWidth)
        return {false, path};
    std::string dir = cacheDir;
    if (dir.empty() || (dir.back() != platform::PathDelim && dir.back() != '/'))
        dir += platform::PathDelim;
    if (!platform::ForceDirectories(dir))
        throw EPictureWriteError("Cannot write the fitted picture of " + path + ": the folder " + dir +
                            " cannot be created");
    const std::string name = picture::FitCacheName(path);
    picture::WriteFitted(*src, screenWidth, dir + name, stop);
    picture::PruneFitCache(dir, name);
    return {true, dir + name};
}
