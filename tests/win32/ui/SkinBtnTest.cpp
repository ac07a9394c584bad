// The skin button painted into a memory surface and read back: the test
// strips have one solid colour per frame (red, green, blue) and a
// transparent bottom row. And what assistive technology finds of it.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <string>

#include "UiTestSupport.h"
#include "ui/win32/SkinBtn.h"

using ui::TSkinBtn;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kNormal = RGB(255, 0, 0), kHover = RGB(0, 255, 0), kPressed = RGB(0, 0, 255);

// The colour the button shows at its middle, painted on white.
COLORREF Frame(TSkinBtn& button)
{
    ui_test::Canvas canvas(80, 40, kWhite);
    button.Paint(canvas.dc());
    return canvas.Pixel(10, 10);
}

} // namespace

TEST(SkinBtn, LoadSkinSizesTheButtonToOneFrame)
{
    TSkinBtn button(nullptr);
    EXPECT_EQ(button.Width(), 69);
    EXPECT_EQ(button.Height(), 22);
    button.SetBounds(0, 0, 50, 40);
    button.LoadSkin(L"test_strip63");
    EXPECT_EQ(button.Width(), 21);
    EXPECT_EQ(button.Height(), 26);

    // The program's own strips, by the lower-case names the windows use, at
    // each scale the same button in proportion (from the larger copy above
    // 96 dpi, which a strip without one does without).
    for (const int dpi : {96, 120, 144, 192})
        for (const wchar_t* name : {L"btn_cfg", L"btn_mini", L"btn_close", L"test_strip63"}) {
            TSkinBtn shipped(nullptr);
            shipped.LoadSkin(name, dpi);
            EXPECT_EQ(shipped.Width(), (21 * dpi + 48) / 96) << name << dpi;
            EXPECT_EQ(shipped.Height(), (26 * dpi + 48) / 96) << name << dpi;
            if (std::wstring(name) == L"test_strip63") { // scaled, no frame takes colour from the next
                ui_test::Canvas canvas(80, 80, kWhite);
                shipped.Paint(canvas.dc());
                EXPECT_EQ(canvas.Pixel(shipped.Width() - 1, 5), kNormal) << dpi;
            }
        }
}

TEST(SkinBtn, HoverPressReleaseLeaveShowTheirFrames)
{
    TSkinBtn button(nullptr);
    button.LoadSkin(L"TEST_STRIP63");
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    const POINT inside {10, 10}, outside {40, 10};

    EXPECT_EQ(Frame(button), kNormal);
    button.MouseEnter();
    EXPECT_EQ(Frame(button), kHover);
    button.MouseDown(MK_LBUTTON, inside);
    EXPECT_EQ(Frame(button), kPressed);
    button.MouseUp(MK_LBUTTON, inside);
    EXPECT_EQ(Frame(button), kNormal); // not hover, until the mouse comes again
    button.MouseLeave();
    EXPECT_EQ(Frame(button), kNormal);
    EXPECT_EQ(clicks, 1);

    // Released away from the button: no click. Other buttons change nothing.
    button.MouseDown(MK_LBUTTON, inside);
    button.MouseUp(MK_LBUTTON, outside);
    button.MouseDown(MK_RBUTTON, inside);
    EXPECT_EQ(Frame(button), kNormal);
    EXPECT_EQ(clicks, 1);

    // The strip's alpha blends over what lies beneath.
    ui_test::Canvas canvas(30, 30, kWhite);
    button.Paint(canvas.dc());
    EXPECT_EQ(canvas.Pixel(10, 25), kWhite);
    EXPECT_EQ(canvas.Pixel(10, 24), kNormal);
}

TEST(SkinBtn, DownPinsThePressedFrame)
{
    TSkinBtn button(nullptr);
    button.LoadSkin(L"TEST_STRIP63");
    button.SetDown(true);
    EXPECT_EQ(Frame(button), kPressed);
    button.MouseEnter();
    EXPECT_EQ(Frame(button), kPressed);
    button.MouseLeave();
    EXPECT_EQ(Frame(button), kPressed);
    button.SetDown(false);
    EXPECT_EQ(Frame(button), kNormal);
}

TEST(SkinBtn, A64PixelStripGives21PixelFramesAndHidesTheLeftoverColumn)
{
    TSkinBtn button(nullptr);
    button.LoadSkin(L"TEST_STRIP64");
    EXPECT_EQ(button.Width(), 21);
    button.MouseDown(MK_LBUTTON, {5, 5});
    ui_test::Canvas canvas(80, 40, kWhite);
    button.Paint(canvas.dc());
    EXPECT_EQ(canvas.Pixel(0, 10), kPressed);
    EXPECT_EQ(canvas.Pixel(20, 10), kPressed);
    EXPECT_EQ(canvas.Pixel(21, 10), kWhite);
}

TEST(SkinBtn, WithoutAnImageItPaintsNothingAndStillClicks)
{
    TSkinBtn button(nullptr);
    button.SetBounds(0, 0, 21, 26);
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    button.MouseEnter();
    button.MouseDown(MK_LBUTTON, {5, 5});
    EXPECT_EQ(Frame(button), kWhite);
    button.MouseUp(MK_LBUTTON, {5, 5});
    EXPECT_EQ(clicks, 1);
}

TEST(SkinBtn, LoadSkinErrorsReachTheCallerAndKeepTheLoadedStrip)
{
    TSkinBtn button(nullptr);
    button.LoadSkin(L"TEST_STRIP63");
    EXPECT_THROW(button.LoadSkin(L"NO_SUCH_STRIP"), ui::EResNotFound);
    try {
        button.LoadSkin(L"TEST_BROKEN");
        ADD_FAILURE() << "a resource that is no picture loaded";
    } catch (const ui::EGdiplusError& e) {
        EXPECT_NE(e.Status(), 0);
    }
    EXPECT_EQ(button.Width(), 21);
    EXPECT_EQ(Frame(button), kNormal);
}

TEST(SkinBtn, APressThatLosesTheMouseEndsWithoutAClick)
{
    const HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 80, 40, nullptr, nullptr, nullptr, nullptr);
    TSkinBtn button(parent);
    button.LoadSkin(L"TEST_STRIP63");
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    ui::TSkinBtnRouter router(parent);
    router.Add(button);
    const LPARAM inside = MAKELPARAM(10, 10);
    ASSERT_TRUE(router.HandleMouse(WM_LBUTTONDOWN, MK_LBUTTON, inside));
    EXPECT_EQ(Frame(button), kPressed);
    // Another window takes the mouse (a message box, a drag elsewhere).
    router.HandleMouse(WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(Frame(button), kNormal);
    router.HandleMouse(WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(clicks, 0);
    ::DestroyWindow(parent);
}

namespace {

LRESULT CALLBACK RouterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    if (auto* router = reinterpret_cast<ui::TSkinBtnRouter*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
        if (const auto answer = router->HandleAccessibility(window, message, wParam, lParam))
            return *answer;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// A screen reader may ask while the form is still being made, before the
// router has been told its window: the buttons are still found where they are.
TEST(SkinBtn, AssistiveTechnologyFindsTheButtonsOfTheWindowThatAsks)
{
    TSkinBtn button(nullptr);
    button.SetBounds(10, 0, 21, 26);
    button.AccessibleName = L"Close";
    ui::TSkinBtnRouter router; // no parent window yet
    router.Add(button);
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = RouterWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SkinBtnAccessibleTest";
    ::RegisterClassExW(&wc);
    const HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 100, 50, 80, 40, nullptr,
                                          nullptr, wc.hInstance, &router);
    ASSERT_NE(window, nullptr);
    {
        platform::win::ComPtr<IAccessible> form;
        ASSERT_EQ(::AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, form.put_void()), S_OK);
        VARIANT first;
        ::VariantInit(&first);
        V_VT(&first) = VT_I4;
        V_I4(&first) = 1;
        BSTR name = nullptr;
        EXPECT_EQ(form->get_accName(first, &name), S_OK);
        EXPECT_EQ(std::wstring(name ? name : L""), L"Close");
        ::SysFreeString(name);
        long left = 0, top = 0, width = 0, height = 0;
        EXPECT_EQ(form->accLocation(&left, &top, &width, &height, first), S_OK);
        POINT origin {0, 0};
        ::ClientToScreen(window, &origin);
        EXPECT_EQ(left, origin.x + 10);
        EXPECT_EQ(width, 21);
    }
    ::DestroyWindow(window);
}
