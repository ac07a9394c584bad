#include "ui/win32/SkinBtn.h"

#include <objidl.h>
#include <windowsx.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/Resampler.h"
#include "platform/DebugOutput.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "ui/win32/Scaled.h"
#include "ui/win32/SkinBtnAccessible.h"

namespace ui {

namespace gp = Gdiplus::DllExports;

EGdiplusError::EGdiplusError(const std::string& call, int status)
    : std::runtime_error("GDI+ error " + std::to_string(status) + " in " + call), Status_(status)
{
}

namespace {

void Check(const char* call, Gdiplus::GpStatus status)
{
    if (status != Gdiplus::Ok)
        throw EGdiplusError(call, static_cast<int>(status));
}

struct GraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* g) const noexcept { gp::GdipDeleteGraphics(g); }
};

struct GlobalDeleter {
    void operator()(void* h) const noexcept { ::GlobalFree(h); }
};

// Collects a scaled picture's rows.
class RowCollector final : public picture::RowSink {
public:
    explicit RowCollector(std::size_t rowBytes) : rowBytes_(rowBytes) {}
    void PutRow(const std::uint8_t* rgb) override { rows.insert(rows.end(), rgb, rgb + rowBytes_); }
    std::vector<std::uint8_t> rows;

private:
    std::size_t rowBytes_;
};

// One frame of a premultiplied BGRA strip at another size, filtered as the
// wallpapers are: colour and coverage each go through the resampler, and
// colour is kept within coverage where the filter rings.
void ScaleFrame(const Gdiplus::BitmapData& strip, int frameLeft, int frameWidth, int width, int height,
                std::vector<std::uint8_t>& out, int outLeft, int outStride)
{
    RowCollector colour(static_cast<std::size_t>(width) * 3), cover(static_cast<std::size_t>(width) * 3);
    {
        picture::Resampler colourScaler(frameWidth, static_cast<int>(strip.Height), width, height, colour);
        picture::Resampler coverScaler(frameWidth, static_cast<int>(strip.Height), width, height, cover);
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(frameWidth) * 3), alpha(bgr.size());
        for (UINT y = 0; y < strip.Height; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(strip.Scan0) + y * strip.Stride + frameLeft * 4;
            for (int x = 0; x < frameWidth; ++x) {
                std::memcpy(&bgr[x * 3], row + x * 4, 3);
                std::memset(&alpha[x * 3], row[x * 4 + 3], 3);
            }
            colourScaler.PutRow(bgr.data());
            coverScaler.PutRow(alpha.data());
        }
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t from = (static_cast<std::size_t>(y) * width + x) * 3;
            std::uint8_t* to = &out[static_cast<std::size_t>(y) * outStride + (outLeft + x) * 4];
            const std::uint8_t a = cover.rows[from];
            for (int c = 0; c < 3; ++c)
                to[c] = std::min(colour.rows[from + c], a);
            to[3] = a;
        }
}

} // namespace

// GDI+ may read a PNG's bytes again whenever it draws, so the stream (which
// owns the memory block) lives exactly as long as the image; a strip scaled
// here keeps its pixels beside it for the same reason.
struct TSkinImage {
    platform::win::ComPtr<IStream> Stream;
    std::vector<std::uint8_t> Pixels;
    Gdiplus::GpImage* Image = nullptr;
    ~TSkinImage()
    {
        if (Image)
            gp::GdipDisposeImage(Image);
    }
};

namespace {

// The three frames of a strip, each scaled on its own to width x height once,
// so painting copies pixels and no frame bleeds into its neighbour.
std::shared_ptr<TSkinImage> ScaledStrip(TSkinImage& source, int frameWidth, int width, int height)
{
    auto* bitmap = reinterpret_cast<Gdiplus::GpBitmap*>(source.Image);
    UINT sourceHeight = 0;
    Check("GdipGetImageHeight", gp::GdipGetImageHeight(source.Image, &sourceHeight));
    const Gdiplus::GpRect all {0, 0, frameWidth * 3, static_cast<INT>(sourceHeight)};
    Gdiplus::BitmapData data {};
    Check("GdipBitmapLockBits", gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead,
                                                      PixelFormat32bppPARGB, &data));
    auto scaled = std::make_shared<TSkinImage>();
    const int stride = width * 3 * 4;
    scaled->Pixels.assign(static_cast<std::size_t>(stride) * height, 0);
    for (int frame = 0; frame < 3; ++frame)
        ScaleFrame(data, frame * frameWidth, frameWidth, width, height, scaled->Pixels, frame * width, stride);
    gp::GdipBitmapUnlockBits(bitmap, &data);
    Gdiplus::GpBitmap* made = nullptr;
    Check("GdipCreateBitmapFromScan0", gp::GdipCreateBitmapFromScan0(width * 3, height, stride, PixelFormat32bppPARGB,
                                                                    scaled->Pixels.data(), &made));
    scaled->Image = made;
    return scaled;
}

} // namespace

TSkinBtn::TSkinBtn(HWND parent) : Parent_(parent) {}

TSkinBtn::~TSkinBtn() = default;

void TSkinBtn::LoadSkin(const std::wstring& name, int dpi, HMODULE module)
{
    const int scale = PictureScale(dpi);
    HRSRC info = scale == 2 ? ::FindResourceW(module, (name + L"_2x").c_str(), RT_RCDATA) : nullptr;
    const int sourceScale = info ? scale : 1;
    if (!info)
        info = ::FindResourceW(module, name.c_str(), RT_RCDATA);
    const HGLOBAL res = info ? ::LoadResource(module, info) : nullptr;
    const void* bytes = res ? ::LockResource(res) : nullptr;
    if (!bytes)
        throw EResNotFound(platform::win::Narrow(name));
    const DWORD size = ::SizeofResource(module, info);

    std::unique_ptr<void, GlobalDeleter> block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return;
    if (void* dest = ::GlobalLock(block.get())) {
        std::memcpy(dest, bytes, size);
        ::GlobalUnlock(block.get());
    } else {
        return;
    }
    auto image = std::make_shared<TSkinImage>();
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, image->Stream.put())))
        return;
    block.release(); // the stream frees it on its last release

    Check("GdipLoadImageFromStream", gp::GdipLoadImageFromStream(image->Stream.get(), &image->Image));
    UINT width = 0, height = 0;
    Check("GdipGetImageWidth", gp::GdipGetImageWidth(image->Image, &width));
    Check("GdipGetImageHeight", gp::GdipGetImageHeight(image->Image, &height));
    const int frameWidth = static_cast<int>(width / 3), frameHeight = static_cast<int>(height);
    const int buttonWidth = ::MulDiv(frameWidth, dpi, kDesignDpi * sourceScale);
    const int buttonHeight = ::MulDiv(frameHeight, dpi, kDesignDpi * sourceScale);
    if (buttonWidth != frameWidth || buttonHeight != frameHeight)
        image = ScaledStrip(*image, frameWidth, buttonWidth, buttonHeight);
    Image = std::move(image);
    FrameWidth_ = buttonWidth;
    FrameHeight_ = buttonHeight;
    Width_ = buttonWidth;
    Height_ = buttonHeight;
    Repaint();
}

void TSkinBtn::SetBounds(int left, int top, int width, int height)
{
    Repaint();
    Left_ = left;
    Top_ = top;
    Width_ = width;
    Height_ = height;
    Repaint();
}

void TSkinBtn::SetDown(bool value)
{
    State_ = stNormal;
    Down_ = value;
    Repaint();
}

void TSkinBtn::SetEnabled(bool value)
{
    Enabled_ = value;
    State_ = value ? stNormal : stDisabled;
    Repaint();
}

void TSkinBtn::Paint(HDC dc)
{
    if (!Image)
        return;
    if (Down_)
        State_ = stPressed;
    // The strips have no disabled frame: a disabled button shows its normal one.
    const int sourceX = (State_ >= stNormal && State_ < stDisabled) ? State_ * FrameWidth_ : 0;
    Gdiplus::GpGraphics* raw = nullptr;
    Check("GdipCreateFromHDC", gp::GdipCreateFromHDC(dc, &raw));
    const std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter> graphics(raw);
    Gdiplus::GpImageAttributes* attributes = nullptr;
    if (Width_ != FrameWidth_ || Height_ != FrameHeight_) {
        // Placed at another size than its frames: filtered, sampled at pixel
        // centres, and clamped at the frame's edges so the neighbour frame
        // does not bleed in.
        gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
        gp::GdipSetPixelOffsetMode(graphics.get(), Gdiplus::PixelOffsetModeHalf);
        if (gp::GdipCreateImageAttributes(&attributes) == Gdiplus::Ok)
            gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    }
    const auto f = [](int v) { return static_cast<Gdiplus::REAL>(v); };
    const Gdiplus::GpStatus status = gp::GdipDrawImageRectRect(
        graphics.get(), Image->Image, f(Left_), f(Top_), f(Width_), f(Height_), f(sourceX), 0, f(FrameWidth_),
        f(FrameHeight_), Gdiplus::UnitPixel, attributes, nullptr, nullptr);
    if (attributes)
        gp::GdipDisposeImageAttributes(attributes);
    Check("GdipDrawImageRectRect", status);
}

void TSkinBtn::MouseEnter()
{
    if (Enabled_) {
        State_ = stHover;
        Repaint();
    }
    if (OnMouseEnter)
        OnMouseEnter();
}

void TSkinBtn::MouseLeave()
{
    if (Enabled_) {
        State_ = stNormal;
        Repaint();
    }
    if (OnMouseLeave)
        OnMouseLeave();
}

void TSkinBtn::MouseDown(UINT button, POINT)
{
    if (button != MK_LBUTTON || !Enabled_)
        return;
    State_ = stPressed;
    Pressed_ = true;
    Repaint();
}

void TSkinBtn::MouseUp(UINT button, POINT at)
{
    if (button != MK_LBUTTON || !Enabled_)
        return;
    State_ = stNormal;
    Repaint();
    const bool click = Pressed_ && Contains(at);
    Pressed_ = false;
    if (click && OnClick)
        OnClick();
}

void TSkinBtn::CaptureLost()
{
    Pressed_ = false;
    if (Enabled_ && State_ == stPressed) {
        State_ = stNormal;
        Repaint();
    }
}

bool TSkinBtn::Contains(POINT at) const
{
    const RECT r = BoundsRect();
    return ::PtInRect(&r, at) != FALSE;
}

void TSkinBtn::Repaint() const
{
    if (Parent_) {
        const RECT r = BoundsRect();
        ::InvalidateRect(Parent_, &r, FALSE);
    }
}

TSkinBtnRouter::TSkinBtnRouter(HWND parent) : Parent_(parent) {}

TSkinBtnRouter::~TSkinBtnRouter()
{
    if (Accessible_)
        Accessible_->Disconnect();
}

TSkinBtn* TSkinBtnRouter::InReadingOrder(std::size_t index) const
{
    std::vector<TSkinBtn*> order = Buttons_;
    std::stable_sort(order.begin(), order.end(),
                     [](const TSkinBtn* a, const TSkinBtn* b) { return a->BoundsRect().left < b->BoundsRect().left; });
    return index < order.size() ? order[index] : nullptr;
}

std::optional<LRESULT> TSkinBtnRouter::HandleAccessibility(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (!Accessible_)
            *Accessible_.put() = TSkinBtnAccessible::CreateReferenced(window, *this);
        return ::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(Accessible_.get()));
    }
    if (message == WM_SKINBTNPRESS) {
        if (TSkinBtn* b = InReadingOrder(wParam); b && b->Enabled() && b->OnClick)
            b->OnClick();
        return 0;
    }
    return std::nullopt;
}

TSkinBtn* TSkinBtnRouter::At(POINT at) const
{
    // The last painted lies on top where buttons overlap.
    for (auto it = Buttons_.rbegin(); it != Buttons_.rend(); ++it)
        if ((*it)->Contains(at))
            return *it;
    return nullptr;
}

void TSkinBtnRouter::SetHot(TSkinBtn* button)
{
    if (button == Hot_)
        return;
    if (Hot_)
        Hot_->MouseLeave();
    Hot_ = button;
    if (Hot_)
        Hot_->MouseEnter();
}

bool TSkinBtnRouter::HandleMouse(UINT message, WPARAM, LPARAM lParam)
{
    const POINT at {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (!Tracking_) {
            TRACKMOUSEEVENT tme {sizeof(tme), TME_LEAVE, Parent_, 0};
            Tracking_ = ::TrackMouseEvent(&tme) != FALSE;
        }
        // While a button holds the mouse, others do not light up.
        SetHot(Captured_ ? (Captured_->Contains(at) ? Captured_ : nullptr) : At(at));
        return Captured_ != nullptr;
    case WM_MOUSELEAVE:
        Tracking_ = false;
        if (!Captured_)
            SetHot(nullptr);
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (TSkinBtn* b = At(at); b && b->Enabled()) {
            Captured_ = b;
            ::SetCapture(Parent_);
            SetHot(b);
            b->MouseDown(MK_LBUTTON, at);
            return true;
        }
        return false;
    case WM_LBUTTONUP:
        if (TSkinBtn* b = Captured_) {
            Captured_ = nullptr;
            if (::GetCapture() == Parent_)
                ::ReleaseCapture();
            b->MouseUp(MK_LBUTTON, at); // may hide or close the parent
            return true;
        }
        return false;
    case WM_CAPTURECHANGED:
        // Our own release clears Captured_ first; anything else ends the press.
        if (TSkinBtn* b = Captured_) {
            Captured_ = nullptr;
            b->CaptureLost();
            SetHot(nullptr);
        }
        return false;
    default:
        return false;
    }
}

void TSkinBtnRouter::PaintAll(HDC dc) const
{
    for (TSkinBtn* b : Buttons_) {
        // No error may cross the window procedure; a button that cannot draw
        // is left out of this paint.
        try {
            b->Paint(dc);
        } catch (const EGdiplusError& e) {
            platform::DebugOutput(e.what());
        }
    }
}

} // namespace ui
