#include "ui/win32/SkinBtnAccessible.h"

#include "ui/win32/SkinBtn.h"

namespace ui {

namespace {

bool IsSelf(const VARIANT& child)
{
    return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF;
}

HRESULT Text(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    if (text.empty()) {
        *out = nullptr;
        return S_FALSE;
    }
    *out = ::SysAllocString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetI4(VARIANT* out, long value)
{
    ::VariantInit(out);
    V_VT(out) = VT_I4;
    V_I4(out) = value;
}

} // namespace

TSkinBtnAccessible* TSkinBtnAccessible::CreateReferenced(HWND form, const TSkinBtnRouter& router)
{
    // A COM object: its reference count owns it (Release deletes it).
    return new TSkinBtnAccessible(form, router);
}

TSkinBtnAccessible::TSkinBtnAccessible(HWND form, const TSkinBtnRouter& router) : form_(form), router_(&router)
{
    ::CreateStdAccessibleObject(form, OBJID_CLIENT, IID_IAccessible, standard_.put_void());
}

void TSkinBtnAccessible::Disconnect()
{
    router_ = nullptr;
    standard_.reset();
}

HRESULT TSkinBtnAccessible::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TSkinBtnAccessible::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&refCount_));
}

ULONG TSkinBtnAccessible::Release()
{
    const auto left = static_cast<ULONG>(::InterlockedDecrement(&refCount_));
    if (left == 0)
        delete this;
    return left;
}

HRESULT TSkinBtnAccessible::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

const TSkinBtn* TSkinBtnAccessible::Button(const VARIANT& child) const
{
    if (V_VT(&child) != VT_I4 || V_I4(&child) < 1)
        return nullptr;
    return router_->InReadingOrder(static_cast<std::size_t>(V_I4(&child) - 1));
}

VARIANT TSkinBtnAccessible::Standard(const VARIANT& child) const
{
    VARIANT standard = child;
    if (V_VT(&child) == VT_I4 && V_I4(&child) != CHILDID_SELF)
        V_I4(&standard) -= static_cast<long>(router_->Count());
    return standard;
}

void TSkinBtnAccessible::FromStandard(VARIANT& child) const
{
    if (V_VT(&child) == VT_I4 && V_I4(&child) != CHILDID_SELF)
        V_I4(&child) += static_cast<long>(router_->Count());
}

HRESULT TSkinBtnAccessible::get_accParent(IDispatch** parent)
{
    return Connected() ? standard_->get_accParent(parent) : RPC_E_DISCONNECTED;
}

HRESULT TSkinBtnAccessible::get_accChildCount(long* count)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const HRESULT hr = standard_->get_accChildCount(count);
    if (SUCCEEDED(hr))
        *count += static_cast<long>(router_->Count());
    return hr;
}

HRESULT TSkinBtnAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    if (Button(child)) {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return S_FALSE; // a simple element, reached through this object
    }
    return standard_->get_accChild(Standard(child), object);
}

HRESULT TSkinBtnAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    if (const TSkinBtn* b = Button(child))
        return Text(b->AccessibleName, name);
    return standard_->get_accName(Standard(child), name);
}

HRESULT TSkinBtnAccessible::get_accValue(VARIANT child, BSTR* value)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? Text({}, value) : standard_->get_accValue(Standard(child), value);
}

HRESULT TSkinBtnAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? Text({}, description) : standard_->get_accDescription(Standard(child), description);
}

HRESULT TSkinBtnAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    if (!Button(child))
        return standard_->get_accRole(Standard(child), role);
    if (!role)
        return E_POINTER;
    SetI4(role, ROLE_SYSTEM_PUSHBUTTON);
    return S_OK;
}

HRESULT TSkinBtnAccessible::get_accState(VARIANT child, VARIANT* state)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const TSkinBtn* b = Button(child);
    if (!b)
        return standard_->get_accState(Standard(child), state);
    if (!state)
        return E_POINTER;
    long flags = 0;
    if (!b->Enabled())
        flags |= STATE_SYSTEM_UNAVAILABLE;
    if (b->Down() || b->State() == TSkinBtn::stPressed)
        flags |= STATE_SYSTEM_PRESSED;
    else if (b->State() == TSkinBtn::stHover)
        flags |= STATE_SYSTEM_HOTTRACKED;
    if (!::IsWindowVisible(form_))
        flags |= STATE_SYSTEM_INVISIBLE;
    SetI4(state, flags);
    return S_OK;
}

HRESULT TSkinBtnAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? Text({}, help) : standard_->get_accHelp(Standard(child), help);
}

HRESULT TSkinBtnAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? S_FALSE : standard_->get_accHelpTopic(file, Standard(child), topic);
}

HRESULT TSkinBtnAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? Text({}, shortcut) : standard_->get_accKeyboardShortcut(Standard(child), shortcut);
}

HRESULT TSkinBtnAccessible::get_accFocus(VARIANT* focus)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const HRESULT hr = standard_->get_accFocus(focus);
    if (hr == S_OK && focus)
        FromStandard(*focus);
    return hr;
}

HRESULT TSkinBtnAccessible::get_accSelection(VARIANT* selection)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const HRESULT hr = standard_->get_accSelection(selection);
    if (hr == S_OK && selection)
        FromStandard(*selection);
    return hr;
}

HRESULT TSkinBtnAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? Text(router_->PressAction, action)
                         : standard_->get_accDefaultAction(Standard(child), action);
}

HRESULT TSkinBtnAccessible::accSelect(long flags, VARIANT child)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    return Button(child) ? S_FALSE : standard_->accSelect(flags, Standard(child));
}

HRESULT TSkinBtnAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const TSkinBtn* b = Button(child);
    if (!b)
        return standard_->accLocation(left, top, width, height, Standard(child));
    if (!left || !top || !width || !height)
        return E_POINTER;
    const RECT r = b->BoundsRect();
    POINT origin {r.left, r.top};
    ::ClientToScreen(form_, &origin);
    *left = origin.x;
    *top = origin.y;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT TSkinBtnAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    if (!end)
        return E_POINTER;
    const long count = static_cast<long>(router_->Count());
    if (IsSelf(start) && direction == NAVDIR_FIRSTCHILD && count > 0) {
        SetI4(end, 1);
        return S_OK;
    }
    if (!Button(start)) {
        const HRESULT hr = standard_->accNavigate(direction, Standard(start), end);
        if (hr == S_OK)
            FromStandard(*end);
        return hr;
    }
    // Among the buttons, in reading order.
    const long at = V_I4(&start);
    long next = 0;
    if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT)
        next = at + 1;
    else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT)
        next = at - 1;
    ::VariantInit(end);
    if (next < 1 || next > count)
        return S_FALSE;
    SetI4(end, next);
    return S_OK;
}

HRESULT TSkinBtnAccessible::accHitTest(long left, long top, VARIANT* child)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    if (!child)
        return E_POINTER;
    POINT at {left, top};
    ::ScreenToClient(form_, &at);
    if (const TSkinBtn* hit = router_->At(at)) {
        for (std::size_t i = 0; i < router_->Count(); ++i)
            if (router_->InReadingOrder(i) == hit)
                SetI4(child, static_cast<long>(i) + 1);
        return S_OK;
    }
    const HRESULT hr = standard_->accHitTest(left, top, child);
    if (hr == S_OK)
        FromStandard(*child);
    return hr;
}

HRESULT TSkinBtnAccessible::accDoDefaultAction(VARIANT child)
{
    if (!Connected())
        return RPC_E_DISCONNECTED;
    const TSkinBtn* b = Button(child);
    if (!b)
        return standard_->accDoDefaultAction(Standard(child));
    if (!b->Enabled())
        return E_FAIL;
    // Pressed on the form's own turn: a click may open a modal dialog, which
    // must not hold the client's call.
    return ::PostMessageW(form_, WM_SKINBTNPRESS, static_cast<WPARAM>(V_I4(&child) - 1), 0) ? S_OK : E_FAIL;
}

} // namespace ui
