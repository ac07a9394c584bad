#include "app/win32/DocHostUIHandler.h"

#include <utility>

namespace app::win {

namespace {

bool KeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

// Takes nothing: a file or link dropped onto the view would otherwise
// replace the portal.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TNoDropTarget final : public TComBase<TNoDropTarget, IDropTarget> {
public:
    static bool Answers(REFIID riid) { return IsEqualIID(riid, IID_IDropTarget); }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Refuse(effect); }

private:
    static HRESULT Refuse(DWORD* effect)
    {
        if (effect)
            *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};
#pragma GCC diagnostic pop

} // namespace

TDocHostUIHandler::TDocHostUIHandler(IUnknown& owner, ComPtr<IDispatch> external, std::wstring disabledCtrlShortcuts)
    : TRoleOf(owner), external_(std::move(external)), disabledCtrlShortcuts_(std::move(disabledCtrlShortcuts))
{
}

HRESULT TDocHostUIHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*)
{
    return S_OK; // dealt with: no menu anywhere in the view
}

HRESULT TDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = kDocHostFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

HRESULT TDocHostUIHandler::TranslateAccelerator(LPMSG message, const GUID*, DWORD)
{
    if (!message || message->message != WM_KEYDOWN)
        return S_FALSE;
    // A letter key's virtual-key code is its upper-case character.
    const auto key = static_cast<wchar_t>(message->wParam);
    const bool ctrlOnly = KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT) && !KeyDown(VK_MENU);
    if (ctrlOnly && key >= L'A' && key <= L'Z' && disabledCtrlShortcuts_.find(key) != std::wstring::npos)
        return S_OK;
    return S_FALSE;
}

HRESULT TDocHostUIHandler::GetOptionKeyPath(LPOLESTR* key, DWORD)
{
    if (key)
        *key = nullptr;
    return S_FALSE;
}

HRESULT TDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget** target)
{
    if (!target)
        return E_POINTER;
    *target = MakeComObject<TNoDropTarget>().Detach();
    return S_OK;
}

HRESULT TDocHostUIHandler::GetExternal(IDispatch** external)
{
    if (!external)
        return E_POINTER;
    *external = nullptr;
    if (!external_)
        return S_FALSE;
    return external_.CopyTo(external);
}

HRESULT TDocHostUIHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* out)
{
    if (out)
        *out = nullptr;
    return S_FALSE;
}

HRESULT TDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject** out)
{
    if (out)
        *out = nullptr;
    return S_FALSE;
}

} // namespace app::win
