#include "app/win32/BrowserSite.h"

#include <utility>

namespace app::win {

ComPtr<TBrowserSite> TBrowserSite::Create(HWND host, HWND frame, ComPtr<IDispatch> external,
                                          std::wstring disabledCtrlShortcuts)
{
    return MakeComObject<TBrowserSite>(host, frame, std::move(external), std::move(disabledCtrlShortcuts));
}

TBrowserSite::TBrowserSite(HWND host, HWND frame, ComPtr<IDispatch> external, std::wstring disabledCtrlShortcuts)
    : client_(*this), frame_(*this, frame), inPlace_(*this, host, frame_),
      uiHandler_(*this, std::move(external), std::move(disabledCtrlShortcuts)), services_(*this)
{
}

HRESULT TBrowserSite::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        *out = static_cast<IUnknown*>(this);
    else if (IsEqualIID(riid, IID_IOleClientSite))
        *out = static_cast<IOleClientSite*>(&client_);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
        *out = static_cast<IOleInPlaceSite*>(&inPlace_);
    else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
        *out = static_cast<IOleInPlaceFrame*>(&frame_);
    else if (IsEqualIID(riid, IID_IDocHostUIHandler))
        *out = static_cast<IDocHostUIHandler*>(&uiHandler_);
    else if (IsEqualIID(riid, IID_IServiceProvider))
        *out = static_cast<IServiceProvider*>(&services_);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TBrowserSite::Release()
{
    const ULONG left = refs_.Drop();
    if (left == 0)
        delete this;
    return left;
}

} // namespace app::win
