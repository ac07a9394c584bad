#pragma once
// The image-strip button of the borderless windows' title strips. It has no
// window of its own: the parent paints it and routes mouse input to it
// (TSkinBtnRouter), so its frame blends over the parent's background.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"

namespace ui {

// LoadSkin: the program carries no RCDATA resource of that name.
class EResNotFound : public std::runtime_error {
public:
    explicit EResNotFound(const std::string& name) : std::runtime_error("Resource " + name + " not found") {}
};

// A GDI+ call that did not return Ok.
class EGdiplusError : public std::runtime_error {
public:
    EGdiplusError(const std::string& call, int status);
    int Status() const { return Status_; }

private:
    int Status_;
};

struct TSkinImage; // the decoded strip and the bytes it rests on
class TSkinBtnAccessible;

class TSkinBtn {
public:
    enum : int { stNormal = 0, stHover = 1, stPressed = 2, stDisabled = 3 };

    explicit TSkinBtn(HWND parent); // 69 x 22 at (0, 0) until placed or skinned
    ~TSkinBtn();
    TSkinBtn(const TSkinBtn&) = delete;
    TSkinBtn& operator=(const TSkinBtn&) = delete;

    // Loads the strip from the RCDATA resource `name` of `module` (names
    // match without regard to case) and sizes the button to one frame at
    // dpi. Above 96 dpi the copy at twice the pixels, `name`_2x, is taken
    // where the module has one. Throws EResNotFound or EGdiplusError.
    void LoadSkin(const std::wstring& name, int dpi = 96, HMODULE module = ::GetModuleHandleW(nullptr));

    void SetParentWindow(HWND parent) { Parent_ = parent; }
    void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return {Left_, Top_, Left_ + Width_, Top_ + Height_}; }
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    int State() const { return State_; }
    bool HasImage() const { return static_cast<bool>(Image); }

    bool Down() const { return Down_; }
    void SetDown(bool value);
    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool value);

    // Draws the current frame at the button's place on a DC of the parent's
    // client area (alpha-blended over what is already there).
    void Paint(HDC dc);

    // Mouse input from the parent; points in the parent's client coordinates.
    void MouseEnter();
    void MouseLeave();
    void MouseDown(UINT button, POINT at);
    void MouseUp(UINT button, POINT at);
    // The press ended without a release (another window took the mouse):
    // no click, and the pressed frame goes.
    void CaptureLost();
    bool Contains(POINT at) const;

    std::function<void()> OnClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;
    // What assistive technology calls it, in the user's language.
    std::wstring AccessibleName;

private:
    void Repaint() const;

    HWND Parent_;
    std::shared_ptr<TSkinImage> Image;
    int Left_ = 0, Top_ = 0, Width_ = 69, Height_ = 22;
    int FrameWidth_ = 0, FrameHeight_ = 0; // one frame of the strip, in its own pixels
    int State_ = stNormal;
    bool Down_ = false;
    bool Enabled_ = true;
    bool Pressed_ = false; // left button went down over the button
};

// Routes a parent window's mouse messages to its skin buttons the way a
// windowless control expects: enter/leave as the pointer moves, the button
// pressed keeps the mouse until release, a click only when released over it.
//
// It also answers for them to assistive technology (SkinBtnAccessible.h).
class TSkinBtnRouter {
public:
    explicit TSkinBtnRouter(HWND parent = nullptr);
    ~TSkinBtnRouter();
    TSkinBtnRouter(const TSkinBtnRouter&) = delete;
    TSkinBtnRouter& operator=(const TSkinBtnRouter&) = delete;
    void SetParentWindow(HWND parent) { Parent_ = parent; }
    void Add(TSkinBtn& button) { Buttons_.push_back(&button); }

    // True when the message went to a button (the parent must not act on it,
    // e.g. start dragging the window).
    bool HandleMouse(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_GETOBJECT and WM_SKINBTNPRESS; nothing for any other message.
    // window: the one the message came to, which may ask before the parent
    // is known (a screen reader asks while the window is being created).
    std::optional<LRESULT> HandleAccessibility(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintAll(HDC dc) const;

    // The button on top at a point of the parent's client area.
    TSkinBtn* At(POINT at) const;
    std::size_t Count() const { return Buttons_.size(); }
    // The index-th button from the left; none past the last.
    TSkinBtn* InReadingOrder(std::size_t index) const;
    // The name of a button's action for assistive technology.
    std::wstring PressAction = L"Press";

private:
    void SetHot(TSkinBtn* button);

    HWND Parent_;
    std::vector<TSkinBtn*> Buttons_;
    TSkinBtn* Hot_ = nullptr;
    TSkinBtn* Captured_ = nullptr;
    bool Tracking_ = false;
    platform::win::ComPtr<TSkinBtnAccessible> Accessible_;
};

} // namespace ui
