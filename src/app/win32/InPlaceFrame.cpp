#include "app/win32/InPlaceFrame.h"

namespace app::win {

HRESULT TInPlaceFrame::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = frame_;
    return S_OK;
}

} // namespace app::win
