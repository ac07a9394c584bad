#pragma once
// COM objects this program implements are owned by their reference count:
// MakeComObject hands out the first reference, the last Release frees them.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <memory>
#include <utility>

namespace app::win {

template <typename T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

template <typename T, typename... Args>
ComPtr<T> MakeComObject(Args&&... args)
{
    ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}

// A string a callee allocated for us to free.
struct TBstrFree {
    void operator()(wchar_t* text) const noexcept { ::SysFreeString(text); }
};
using UniqueBstr = std::unique_ptr<wchar_t, TBstrFree>;

// An object's reference count; its owner deletes itself when Release says 0.
// The view's objects live in the main thread's single-threaded apartment, but
// a control may still release from elsewhere while shutting down.
class TRefCount {
public:
    ULONG Add() noexcept { return static_cast<ULONG>(::InterlockedIncrement(&count_)); }
    ULONG Drop() noexcept { return static_cast<ULONG>(::InterlockedDecrement(&count_)); }

private:
    LONG count_ = 1;
};

// The IUnknown of an object that is its own only identity. Derived says in
// Answers(riid) which interfaces besides IUnknown it stands for; the last
// Release deletes it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Derived, typename Interface>
class TComBase : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !Derived::Answers(riid))
            return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = refs_.Drop();
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    TComBase() = default;
    ~TComBase() = default;

private:
    TRefCount refs_;
};

// A dispatch interface without type information: callers look names up.
template <typename Derived, typename Interface>
class TDispatchBase : public TComBase<Derived, Interface> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
};
#pragma GCC diagnostic pop

// One COM role of a larger object: its IUnknown is the owner's, so every
// interface the control asks for leads back to the same identity.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface>
class TRoleOf : public Interface {
public:
    explicit TRoleOf(IUnknown& owner) : owner_(owner) {}
    TRoleOf(const TRoleOf&) = delete;
    TRoleOf& operator=(const TRoleOf&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        return owner_.QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

private:
    IUnknown& owner_;
};
#pragma GCC diagnostic pop

} // namespace app::win
