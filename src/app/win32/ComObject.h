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
