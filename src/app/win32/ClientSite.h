#pragma once
// The control's container site. The view stores nothing and has no monikers,
// so most of it says so.
#include <windows.h>
#include <ole2.h>

#include "app/win32/ComObject.h"

namespace app::win {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TClientSite final : public TRoleOf<IOleClientSite> {
public:
    using TRoleOf::TRoleOf;

    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};
#pragma GCC diagnostic pop

} // namespace app::win
