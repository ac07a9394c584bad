#pragma once
// What assistive technology (Microsoft Active Accessibility) sees of a form
// with skin buttons: the form's standard client object, with the buttons
// added in front of its children as named push buttons that can be pressed.
// The buttons have no windows, so without this a screen reader would find
// nothing but the form there.
#include <windows.h>
#include <oleacc.h>

#include "platform/win32/Handles.h"

namespace ui {

class TSkinBtn;
class TSkinBtnRouter;

// Posted to the form when a client presses a button (wParam: its index in
// reading order); the form's router clicks it on the form's own turn.
inline constexpr UINT WM_SKINBTNPRESS = WM_APP + 0x20;

// COM interfaces have no virtual destructor; the object is only ever
// destroyed by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TSkinBtnAccessible final : public IAccessible {
public:
    // A new object holding one reference for the caller. The router
    // outlives it or disconnects it.
    static TSkinBtnAccessible* CreateReferenced(HWND form, const TSkinBtnRouter& router);
    // The form goes: clients holding the object get errors from now on.
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; clients use IAccessible directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override { return E_NOTIMPL; }
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    TSkinBtnAccessible(HWND form, const TSkinBtnRouter& router);
    ~TSkinBtnAccessible() = default;

    // The button a child id names, if any (ids 1..n in reading order; the
    // standard object's own children follow them).
    const TSkinBtn* Button(const VARIANT& child) const;
    // A child id of ours as the standard object counts, and back.
    VARIANT Standard(const VARIANT& child) const;
    void FromStandard(VARIANT& child) const;
    bool Connected() const { return router_ != nullptr && standard_; }

    LONG refCount_ = 1;
    HWND form_;
    const TSkinBtnRouter* router_;
    platform::win::ComPtr<IAccessible> standard_;
};
#pragma GCC diagnostic pop

} // namespace ui
