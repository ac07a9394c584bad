#include "platform/PictureDecode.h"

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/win32/WinText.h"

namespace platform {
namespace {

namespace gp = Gdiplus::DllExports;
using win::Wide;

// GDI+ for the length of one call; nested startups are counted by GDI+.
class GdiPlusSession {
public:
    GdiPlusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiPlusSession()
    {
        if (ok_)
            Gdiplus::GdiplusShutdown(token_);
    }
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

struct ImageDeleter {
    void operator()(Gdiplus::GpImage* p) const noexcept { gp::GdipDisposeImage(p); }
};
struct GraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* p) const noexcept { gp::GdipDeleteGraphics(p); }
};
using ImagePtr = std::unique_ptr<Gdiplus::GpImage, ImageDeleter>;
using GraphicsPtr = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter>;

ImagePtr Load(const std::string& path, std::string& error)
{
    Gdiplus::GpImage* raw = nullptr;
    if (gp::GdipLoadImageFromFile(Wide(path).c_str(), &raw) != Gdiplus::Ok || !raw) {
        error = "the system cannot decode it";
        return nullptr;
    }
    return ImagePtr(raw);
}

} // namespace

bool SystemPictureSize(const std::string& path, int& width, int& height, std::string& error)
{
    width = height = 0;
    GdiPlusSession session;
    if (!session.ok()) {
        error = "GDI+ cannot be started";
        return false;
    }
    ImagePtr image = Load(path, error);
    if (!image)
        return false;
    UINT w = 0, h = 0;
    if (gp::GdipGetImageWidth(image.get(), &w) != Gdiplus::Ok ||
        gp::GdipGetImageHeight(image.get(), &h) != Gdiplus::Ok || w == 0 || h == 0 ||
        w > 0x7FFFFFFF || h > 0x7FFFFFFF) {
        error = "the system reports no size for it";
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool RenderSystemPicture(const std::string& path, int width, int height,
                         std::vector<std::uint8_t>& rgb, std::string& error)
{
    rgb.clear();
    GdiPlusSession session;
    if (!session.ok()) {
        error = "GDI+ cannot be started";
        return false;
    }
    ImagePtr image = Load(path, error);
    if (!image)
        return false;
    Gdiplus::GpBitmap* rawBitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &rawBitmap) !=
            Gdiplus::Ok || !rawBitmap) {
        error = "no memory for a " + std::to_string(width) + " x " + std::to_string(height) + " bitmap";
        return false;
    }
    ImagePtr bitmap(rawBitmap);
    {
        Gdiplus::GpGraphics* rawGraphics = nullptr;
        if (gp::GdipGetImageGraphicsContext(bitmap.get(), &rawGraphics) != Gdiplus::Ok || !rawGraphics) {
            error = "it cannot be drawn";
            return false;
        }
        GraphicsPtr g(rawGraphics);
        gp::GdipGraphicsClear(g.get(), 0xFF000000);
        gp::GdipSetInterpolationMode(g.get(), Gdiplus::InterpolationModeHighQualityBicubic);
        if (gp::GdipDrawImageRectI(g.get(), image.get(), 0, 0, width, height) != Gdiplus::Ok) {
            error = "it cannot be drawn";
            return false;
        }
    }
    Gdiplus::GpRect rect(0, 0, width, height);
    Gdiplus::BitmapData data {};
    if (gp::GdipBitmapLockBits(rawBitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) !=
        Gdiplus::Ok) {
        error = "its pixels cannot be read";
        return false;
    }
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    rgb.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* src = static_cast<const std::uint8_t*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        std::uint8_t* dst = rgb.data() + row * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {   // GDI+ keeps B, G, R
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    gp::GdipBitmapUnlockBits(rawBitmap, &data);
    return true;
}

} // namespace platform
