#include "ui/win32/SkinBtn.h"

#include <objidl.h>
#include <windowsx.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstring>

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

} // namespace

// GDI+ may read a PNG's bytes again whenever it draws, so the stream (which
// owns the memory block) lives exactly as long as the image.
struct TSkinImage {
    platform::win::ComPtr<IStream> Stream;
    Gdiplus::GpImage* Image = nullptr;
    ~TSkinImage()
    {
        if (Image)
            gp::GdipDisposeImage(Image);
    }
};

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
    Image = std::move(image);
    FrameWidth_ = static_cast<int>(width / 3);
    FrameHeight_ = static_cast<int>(height);
    Width_ = ::MulDiv(FrameWidth_, dpi, kDesignDpi * sourceScale);
    Height_ = ::MulDiv(FrameHeight_, dpi, kDesignDpi * sourceScale);
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
        // Shrinking the larger copy between scales: filtered, sampled at
        // pixel centres, and clamped at the frame's edges so the neighbour
        // frame does not bleed in.
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
