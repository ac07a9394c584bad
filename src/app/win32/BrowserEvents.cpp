#include "app/win32/BrowserEvents.h"

#include <exdisp.h>
#include <exdispid.h>
#include <shellapi.h>

#include <utility>

#include "app/Endpoints.h"
#include "app/NavigationPolicy.h"
#include "platform/win32/WinText.h"

namespace app::win {

namespace {

// NWMF flags of NewWindow3; shobjidl.h declares them only for IE 6 SP2 headers.
constexpr DWORD kNwmfUnloading = 0x1;
constexpr DWORD kNwmfUserInited = 0x2;
constexpr DWORD kNwmfFirst = 0x4;
constexpr DWORD kNwmfUserRequested = 0x80;

// The event's arguments in their declared order (COM stores them last first).
const VARIANT* Arg(const DISPPARAMS& params, UINT index)
{
    return index < params.cArgs && params.rgvarg ? &params.rgvarg[params.cArgs - 1 - index] : nullptr;
}

const VARIANT* Deref(const VARIANT* value)
{
    while (value && V_VT(value) == (VT_BYREF | VT_VARIANT))
        value = V_VARIANTREF(value);
    return value;
}

std::string Text(const VARIANT* value)
{
    value = Deref(value);
    if (!value)
        return {};
    const BSTR text = V_VT(value) == VT_BSTR ? V_BSTR(value)
                      : V_VT(value) == (VT_BYREF | VT_BSTR) ? *V_BSTRREF(value)
                                                             : nullptr;
    return text ? platform::win::Narrow(text) : std::string();
}

DWORD Number(const VARIANT* value)
{
    value = Deref(value);
    if (!value)
        return 0;
    switch (V_VT(value)) {
    case VT_I4: return static_cast<DWORD>(V_I4(value));
    case VT_UI4: return V_UI4(value);
    case VT_INT: return static_cast<DWORD>(V_INT(value));
    case VT_UINT: return V_UINT(value);
    default: return 0;
    }
}

bool Flag(const VARIANT* value)
{
    value = Deref(value);
    if (!value)
        return false;
    if (V_VT(value) == VT_BOOL)
        return V_BOOL(value) != VARIANT_FALSE;
    return V_VT(value) == (VT_BYREF | VT_BOOL) && V_BOOLREF(value) && *V_BOOLREF(value) != VARIANT_FALSE;
}

void Cancel(const VARIANT* flag)
{
    if (flag && V_VT(flag) == (VT_BYREF | VT_BOOL) && V_BOOLREF(flag))
        *V_BOOLREF(flag) = VARIANT_TRUE;
}

// NWMF_USERINITED alone also marks every further window one click's script
// opens; only the first counts, and none while a page unloads.
bool UserAskedForWindow(DWORD flags)
{
    if (flags & kNwmfUnloading)
        return false;
    return (flags & kNwmfUserRequested) || ((flags & kNwmfUserInited) && (flags & kNwmfFirst));
}

} // namespace

void OpenInUsersBrowser(const std::string& url)
{
    ::ShellExecuteW(nullptr, L"open", platform::win::Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

ComPtr<TBrowserEvents> TBrowserEvents::Create(IUnknown* topBrowser, std::string loadingPageUrl,
                                              GestureProbe userActing, Opener open, StrayHandler stray)
{
    return MakeComObject<TBrowserEvents>(topBrowser, std::move(loadingPageUrl), std::move(userActing),
                                         std::move(open), std::move(stray));
}

TBrowserEvents::TBrowserEvents(IUnknown* topBrowser, std::string loadingPageUrl, GestureProbe userActing,
                               Opener open, StrayHandler stray)
    : top_(topBrowser), loadingPageUrl_(std::move(loadingPageUrl)), userActing_(std::move(userActing)),
      open_(std::move(open)), stray_(std::move(stray))
{
}

void TBrowserEvents::Disconnect() noexcept
{
    userActing_ = nullptr;
    open_ = nullptr;
    stray_ = nullptr;
}

bool TBrowserEvents::Answers(REFIID riid)
{
    return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2);
}

HRESULT TBrowserEvents::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    if (!params)
        return S_OK;
    switch (id) {
    case DISPID_BEFORENAVIGATE2: BeforeNavigate2(*params); break;
    // Before Windows XP SP2 the control names no address: refuse it whole.
    case DISPID_NEWWINDOW2: Cancel(Arg(*params, 1)); break;
    case DISPID_NEWWINDOW3: NewWindow3(*params); break;
    case DISPID_NAVIGATECOMPLETE2: NavigateComplete2(*params); break;
    case DISPID_NAVIGATEERROR: NavigateError(*params); break;
    case DISPID_FILEDOWNLOAD: FileDownload(*params); break;
    default: break;
    }
    return S_OK;
}

void TBrowserEvents::BeforeNavigate2(const DISPPARAMS& params)
{
    // Frames inside the page may go where they like: the bridge asks who calls.
    if (!IsMainFrame(Arg(params, 0)))
        return;
    const std::string url = Text(Arg(params, 1));
    const bool userAsked = userActing_ && userActing_();
    switch (DecideMainFrameNavigation(url, userAsked, loadingPageUrl_)) {
    case NavigationAction::Allow:
        if (IsPortalAddress(url))
            leftPortal_ = false;
        return;
    case NavigationAction::OpenInBrowser:
        if (open_)
            open_(*BrowserUrl(url));
        break;
    case NavigationAction::Ignore: break;
    }
    Cancel(Arg(params, 6));
}

void TBrowserEvents::NewWindow3(const DISPPARAMS& params)
{
    Cancel(Arg(params, 1));
    const std::string url = Text(Arg(params, 4));
    if (DecideNewWindow(url, UserAskedForWindow(Number(Arg(params, 2)))) == NavigationAction::OpenInBrowser &&
        open_)
        open_(*BrowserUrl(url));
}

void TBrowserEvents::NavigateComplete2(const DISPPARAMS& params)
{
    if (!IsMainFrame(Arg(params, 0)))
        return;
    const std::string url = Text(Arg(params, 1));
    if (IsPortalAddress(url))
        returning_ = false;
    // A server's redirect is not announced before it lands.
    if (DecideMainFrameNavigation(url, false, loadingPageUrl_) == NavigationAction::Allow)
        return;
    leftPortal_ = true;
    // Redirects lead to web pages; the control's own pages follow its errors,
    // which the view deals with when it is shown again.
    if (!BrowserUrl(url) || !stray_)
        return;
    // Sent back and led away again: going back once more would never end.
    stray_(std::exchange(returning_, true) ? StrayLanding::GiveUp : StrayLanding::BackToPortal);
}

void TBrowserEvents::NavigateError(const DISPPARAMS& params)
{
    if (IsMainFrame(Arg(params, 0)))
        leftPortal_ = true;
}

void TBrowserEvents::FileDownload(const DISPPARAMS& params)
{
    // Since Internet Explorer 7 this also comes for every page the view is to
    // show (an active document), and those go on. Before, it came only for
    // files, with the cancel flag as its one argument.
    if (params.cArgs == 0 || (params.cArgs >= 2 && Flag(Arg(params, 0))))
        return;
    Cancel(Arg(params, params.cArgs - 1));
}

bool TBrowserEvents::IsMainFrame(const VARIANT* browser) const
{
    const VARIANT* value = Deref(browser);
    if (!top_ || !value || V_VT(value) != VT_DISPATCH || !V_DISPATCH(value))
        return false;
    ComPtr<IUnknown> identity;
    return SUCCEEDED(V_DISPATCH(value)->QueryInterface(IID_PPV_ARGS(&identity))) && identity.Get() == top_;
}

} // namespace app::win
