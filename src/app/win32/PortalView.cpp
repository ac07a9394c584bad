#include "app/win32/PortalView.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "app/BridgeAccess.h"
#include "app/Endpoints.h"
#include "app/NavigationPolicy.h"
#include "app/win32/DownloadRefusal.h"
#include "platform/FileSystem.h"
#include "platform/win32/WinText.h"
#include "ui/win32/FormLook.h"
#include "ui/win32/Texts.h"

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

// Touch and pen input (Windows 8 and later), which XP's headers do not name.
constexpr UINT kPointerDown = 0x0246;
constexpr UINT kPointerUp = 0x0247;
constexpr UINT kTouch = 0x0240;

// A click, a tap, or a key that follows a link or presses a button. A control
// that takes pointer input gets a tap as pointer messages, without the mouse
// messages Windows otherwise makes of it.
bool IsUserGesture(const MSG& message)
{
    switch (message.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONUP:
    case kPointerDown:
    case kPointerUp:
    case kTouch: return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: return message.wParam == VK_RETURN || message.wParam == VK_SPACE;
    default: return false;
    }
}

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

PortalView::PortalView(HWND parent, RequestHandler onRequest, Opener openInBrowser)
    : loadingPageUrl_(app::LoadingPageUrl(platform::OwnExecutablePath()))
{
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    RegisterViewClass(instance, &PortalView::WindowProc);
    // Not a tab stop: Tab never moves the focus into the view.
    window_ = ::CreateWindowExW(0, kViewClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                kPortalViewBounds.left, kPortalViewBounds.top,
                                kPortalViewBounds.right - kPortalViewBounds.left,
                                kPortalViewBounds.bottom - kPortalViewBounds.top, parent, nullptr, instance, this);
    if (window_)
        fileChoosers_.emplace(window_);
    bridge_ = TScriptBridge::Create(std::move(onRequest), [this] { return TopLevelUrl(); }, loadingPageUrl_);
    site_ = TBrowserSite::Create(window_, ::GetAncestor(parent, GA_ROOT), bridge_, L"N");
    CreateControl(std::move(openInBrowser));
}

void PortalView::CreateControl(Opener openInBrowser)
{
    if (!window_) {
        createError_ = HRESULT_FROM_WIN32(::GetLastError());
        return;
    }
    RestrictFileDownloads();
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
    // Nothing dropped onto the view is opened in it.
    browser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    ListenToControl(std::move(openInBrowser));
}

void PortalView::ListenToControl(Opener openInBrowser)
{
    ComPtr<IUnknown> identity;
    browser_.As(&identity);
    const HWND view = window_;
    events_ = TBrowserEvents::Create(
        identity.Get(), loadingPageUrl_, [this] { return userActing_; }, std::move(openInBrowser),
        [view](StrayLanding what) { ::PostMessageW(view, kStrayLanding, static_cast<WPARAM>(what), 0); });
    ComPtr<IConnectionPointContainer> points;
    if (FAILED(browser_.As(&points)) || FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &eventsPoint_)) ||
        FAILED(eventsPoint_->Advise(events_.Get(), &eventsCookie_)))
        eventsPoint_.Reset();
}

PortalView::~PortalView()
{
    bridge_->Disconnect();
    site_->Disconnect();
    if (eventsPoint_)
        eventsPoint_->Unadvise(eventsCookie_);
    if (events_)
        events_->Disconnect();
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
    if (unreachable_) {
        unreachable_ = false;
        ShowControl(true);
    }
}

std::string PortalView::TopLevelUrl() const
{
    BSTR location = nullptr;
    if (!browser_ || browser_->get_LocationURL(&location) != S_OK || !location)
        return {};
    const Bstr owned(location);
    return platform::win::Narrow(owned.get());
}

void PortalView::ReturnToPortal()
{
    if (!events_ || !PortalNeedsReload(events_->LeftPortal(), TopLevelUrl()))
        return;
    try {
        Navigate(PortalHomeUrl());
    } catch (const ENavigateError&) {
        // The control shows what it made of it; the next showing tries again.
    }
}

void PortalView::LeaveStrayPage(StrayLanding what)
{
    // Something else may have brought it back meanwhile.
    if (!browser_ || IsPortalAddress(TopLevelUrl()))
        return;
    browser_->Stop();
    if (what == StrayLanding::GiveUp) {
        ShowUnreachable();
        return;
    }
    try {
        Navigate(PortalHomeUrl());
    } catch (const ENavigateError&) {
        ShowUnreachable();
    }
}

void PortalView::ShowUnreachable()
{
    unreachable_ = true;
    ShowControl(false);
    ::InvalidateRect(window_, nullptr, TRUE);
}

void PortalView::ShowControl(bool show)
{
    ComPtr<IOleWindow> control;
    HWND window = nullptr;
    if (object_ && SUCCEEDED(object_.As(&control)) && SUCCEEDED(control->GetWindow(&window)) && window)
        ::ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

void PortalView::SetBounds(const RECT& bounds)
{
    ::MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    ComPtr<IOleInPlaceObject> inPlace;
    if (object_ && SUCCEEDED(object_.As(&inPlace))) {
        const RECT area {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
        inPlace->SetObjectRects(&area, &area);
    }
}

bool PortalView::InView(HWND window) const
{
    return window && (window == window_ || ::IsChild(window_, window));
}

bool PortalView::TranslateAccelerator(MSG& message)
{
    // Whatever the control starts while this message is handled is the
    // user's doing only if this is the user's click or key in the view.
    userActing_ = IsUserGesture(message) && InView(message.hwnd);
    if (!browser_ || message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !InView(message.hwnd))
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
    auto* view = reinterpret_cast<PortalView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case kStrayLanding:
        if (view)
            view->LeaveStrayPage(static_cast<StrayLanding>(wParam));
        return 0;
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
    ::SetBkMode(dc, TRANSPARENT);
    ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    if (createError_ != S_OK) {
        const std::wstring text = platform::win::Wide(
            "The portal cannot be shown: the system web browser control is not available (error " +
            HexCode(createError_) + ").");
        ::DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } else if (unreachable_) {
        // Two lines, centred: what happened, and where the portal is.
        const std::wstring text = ui::LoadText(IDS_PORTAL_UNREACHABLE, ui::UserTextLanguage()) + L"\n" +
            platform::win::Wide(PortalHomeUrl());
        RECT box = area;
        ::DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        const LONG height = box.bottom - box.top;
        box = {area.left, (area.bottom - height) / 2, area.right, (area.bottom + height) / 2};
        ::DrawTextW(dc, text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    ::EndPaint(window, &ps);
}

} // namespace app::win
