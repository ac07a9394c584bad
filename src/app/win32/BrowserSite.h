#pragma once
// The host side of the browser control as one COM identity: client site,
// in-place site and frame, the UI handler and the services, each a role of
// this object, so the control can reach any of them from any other.
#include <windows.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <string>

#include "app/win32/ClientSite.h"
#include "app/win32/ComObject.h"
#include "app/win32/DocHostUIHandler.h"
#include "app/win32/InPlaceFrame.h"
#include "app/win32/InPlaceSite.h"
#include "app/win32/ServiceProvider.h"

namespace app::win {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TBrowserSite final : public IUnknown {
public:
    // host: the view's window; frame: the top-level window around it;
    // external: the page's window.external.
    static ComPtr<TBrowserSite> Create(HWND host, HWND frame, ComPtr<IDispatch> external,
                                       std::wstring disabledCtrlShortcuts);

    IOleClientSite* ClientSite() { return &client_; }
    IDocHostUIHandler* UIHandler() { return &uiHandler_; }
    // The view is going away; a control still holding the site finds no external object.
    void Disconnect() { uiHandler_.DropExternal(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

private:
    template <typename T, typename... Args>
    friend ComPtr<T> MakeComObject(Args&&... args);
    TBrowserSite(HWND host, HWND frame, ComPtr<IDispatch> external, std::wstring disabledCtrlShortcuts);
    ~TBrowserSite() = default;

    TRefCount refs_;
    TClientSite client_;
    TInPlaceFrame frame_;
    TInPlaceSite inPlace_;
    TDocHostUIHandler uiHandler_;
    TServiceProvider services_;
};
#pragma GCC diagnostic pop

} // namespace app::win
