#include "app/win32/InPlaceSite.h"

namespace app::win {

TInPlaceSite::TInPlaceSite(IUnknown& owner, HWND host, IOleInPlaceFrame& frame)
    : TRoleOf(owner), host_(host), frame_(frame)
{
}

HRESULT TInPlaceSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = host_;
    return S_OK;
}

HRESULT TInPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    frame_.AddRef();
    *frame = &frame_;
    *document = nullptr; // no document window apart from the frame
    ::GetClientRect(host_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = ::GetAncestor(host_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

} // namespace app::win
