#include "app/win32/PortalView.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "app/BridgeAccess.h"
#include "platform/FileSystem.h"
#include "platform/win32/WinText.h"
#include "ui/win32/FormLook.h"

namespace app::win {

namespace {

constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr const wchar_t* kViewClass = L"PictavoPortalView";

std::string HexCode(HRESULT code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

struct BstrDeleter {
    void operator()(wchar_t* text) const noexcept { ::SysFreeString(text); }
};
using Bstr = std::unique_ptr<wchar_t, BstrDeleter>;

void RegisterViewClass(HINSTANCE instance, WNDPROC proc)
{
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance, kViewClass, &wc))
        return;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kViewClass;
    ::RegisterClassExW(&wc);
}

} // namespace

ENavigateError::ENavigateError(const std::string& url, HRESULT code)
    : std::runtime_error("The page " + url + " could not be opened (error " + HexCode(code) + ")."), code_(code)
{
}

PortalView::PortalView(HWND parent, RequestHandler onRequest)
    : loadingPageUrl_(app::LoadingPageUrl(platform::OwnExecutablePath()))
{
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterViewClass(instance, &PortalView::WindowProc);
    // Not a tab stop: Tab never moves the focus into the view.
    window_ = ::CreateWindowExW(0, kViewClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                kPortalViewBounds.left, kPortalViewBounds.top,
                                kPortalViewBounds.right - kPortalViewBounds.left,
                                kPortalViewBounds.bottom - kPortalViewBounds.top, parent, nullptr, instance, this);
    bridge_ = TScriptBridge::Create(std::move(onRequest), [this] { return TopLevelUrl(); }, loadingPageUrl_);
    site_ = TBrowserSite::Create(window_, ::GetAncestor(parent, GA_ROOT), bridge_, L"N");
    CreateControl();
}

void PortalView::CreateControl()
{
    if (!window_) {
        createError_ = HRESULT_FROM_WIN32(::GetLastError());
        return;
    }
    createError_ = ::CoCreateInstance(kWebBrowserClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_));
    if (createError_ == S_OK)
        createError_ = object_->SetClientSite(site_->ClientSite());
    if (createError_ == S_OK) {
        ::OleSetContainedObject(object_.Get(), TRUE);
        RECT area {};
        ::GetClientRect(window_, &area);
        createError_ = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_->ClientSite(), 0, window_, &area);
    }
    if (createError_ == S_OK)
        createError_ = object_.As(&browser_);
    if (createError_ != S_OK) {
        browser_.Reset();
        if (object_)
            object_->SetClientSite(nullptr);
        object_.Reset();
        ::InvalidateRect(window_, nullptr, TRUE);
        return;
    }
    // The control may show its own dialogs, script errors included.
    browser_->put_Silent(VARIANT_FALSE);
}

PortalView::~PortalView()
{
    bridge_->Disconnect();
    site_->Disconnect();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.As(&inPlace)))
            inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    browser_.Reset();
    object_.Reset();
    if (window_ && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

void PortalView::Navigate(const std::string& url)
{
    if (!browser_)
        throw ENavigateError(url, createError_ == S_OK ? E_FAIL : createError_);
    const Bstr target(::SysAllocString(platform::win::Wide(url).c_str()));
    VARIANT empty;
    ::VariantInit(&empty);
    const HRESULT result = browser_->Navigate(target.get(), &empty, &empty, &empty, &empty);
    if (result != S_OK)
        throw ENavigateError(url, result);
    navigations_.push_back(url);
}

std::string PortalView::TopLevelUrl() const
{
    BSTR location = nullptr;
    if (!browser_ || browser_->get_LocationURL(&location) != S_OK || !location)
        return {};
    const Bstr owned(location);
    return platform::win::Narrow(owned.get());
}

bool PortalView::TranslateAccelerator(MSG& message)
{
    if (!browser_ || message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    if (message.hwnd != window_ && !::IsChild(window_, message.hwnd))
        return false;
    ComPtr<IOleInPlaceActiveObject> active;
    return SUCCEEDED(browser_.As(&active)) && active->TranslateAccelerator(&message) == S_OK;
}

LRESULT CALLBACK PortalView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* view = reinterpret_cast<const PortalView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (view) {
            view->Paint(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void PortalView::Paint(HWND window) const
{
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(window, &ps);
    RECT area {};
    ::GetClientRect(window, &area);
    const ui::TGdiObject brush(::CreateSolidBrush(ui::kFormColor));
    ::FillRect(dc, &area, brush.brush());
    if (createError_ != S_OK) {
        const std::wstring text = platform::win::Wide(
            "The portal cannot be shown: the system web browser control is not available (error " +
            HexCode(createError_) + ").");
        ::SetBkMode(dc, TRANSPARENT);
        ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    ::EndPaint(window, &ps);
}

} // namespace app::win
