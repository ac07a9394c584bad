#include "UiTestSupport.h"

#include <ole2.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <deque>

#include "platform/Dispatcher.h"

namespace ui_test {

namespace {

// GDI+ and OLE as the program has them while its windows exist.
class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        const Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
        platform::StartDispatcher();
    }
    void TearDown() override
    {
        Gdiplus::GdiplusShutdown(token_);
        ::OleUninitialize();
    }

private:
    ULONG_PTR token_ = 0;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new UiEnvironment); // gtest owns it

std::deque<std::function<void()>> pending;

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(nullptr, id);
    if (pending.empty())
        return;
    const auto fn = std::move(pending.front());
    pending.pop_front();
    fn();
}

BOOL CALLBACK CollectText(HWND child, LPARAM out)
{
    wchar_t text[512] {};
    ::GetWindowTextW(child, text, 512);
    *reinterpret_cast<std::wstring*>(out) += std::wstring(text) + L"\n";
    return TRUE;
}

} // namespace

Canvas::Canvas(int width, int height, COLORREF fill)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    const HBRUSH brush = ::CreateSolidBrush(fill);
    const RECT all {0, 0, width, height};
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
}

Canvas::~Canvas()
{
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

void Later(std::function<void()> fn)
{
    pending.push_back(std::move(fn));
    ::SetTimer(nullptr, 0, 1, RunPending);
}

void Pump()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring AllTexts(HWND window)
{
    std::wstring texts;
    CollectText(window, reinterpret_cast<LPARAM>(&texts));
    ::EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void ClickAt(HWND window, int x, int y)
{
    const LPARAM at = MAKELPARAM(x, y);
    ::SendMessageW(window, WM_MOUSEMOVE, 0, at);
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(window, WM_LBUTTONUP, 0, at);
}

} // namespace ui_test
