#pragma once
// The host's say over the browser control's own user interface: no text
// selection, help menu, 3D border or context menu, no Ctrl+N, and the page's
// window.external.
#include <windows.h>
#include <mshtmhst.h>

#include <string>

#include "app/win32/ComObject.h"

namespace app::win {

// DPI_AWARE: the control draws pages at the screen's scale (text and
// pictures sharp), which the host's own scaling would otherwise blur.
inline constexpr DWORD kDocHostFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
                                       DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE |
                                       DOCHOSTUIFLAG_THEME | DOCHOSTUIFLAG_DPI_AWARE;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDocHostUIHandler final : public TRoleOf<IDocHostUIHandler> {
public:
    // disabledCtrlShortcuts: the letters whose Ctrl+letter the view swallows.
    TDocHostUIHandler(IUnknown& owner, ComPtr<IDispatch> external, std::wstring disabledCtrlShortcuts);

    void DropExternal() { external_.Reset(); }

    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD menuId, POINT* at, IUnknown* target, IDispatch* object) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID*, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override;

private:
    ComPtr<IDispatch> external_;
    std::wstring disabledCtrlShortcuts_;
};
#pragma GCC diagnostic pop

} // namespace app::win
