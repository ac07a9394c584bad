#include "FakeActiveDesktop.h"

#include "platform/win32/ActiveDesktop.h"

namespace testing_support {

namespace {

// COM interfaces have no virtual destructor by design; Release deletes the
// final class itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class FakeDesktop final : public IActiveDesktop {
public:
    explicit FakeDesktop(ActiveDesktopScript& script) : script_(script)
    {
        ::InterlockedIncrement(&script_.liveObjects);
    }
    ~FakeDesktop() { ::InterlockedDecrement(&script_.liveObjects); }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, platform::win::kActiveDesktopIid)) {
            *ppv = static_cast<IActiveDesktop*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP ApplyChanges(DWORD flags) override
    {
        script_.calls.push_back("ApplyChanges");
        script_.applyFlags = flags;
        return script_.applyResult;
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD) override
    {
        script_.calls.push_back("SetWallpaper");
        script_.wallpaper = path;
        // The caller promises a zero-filled buffer of MAX_PATH characters.
        bool zero = true;
        for (std::size_t i = script_.wallpaper.size(); i < MAX_PATH; ++i)
            zero = zero && path[i] == L'\0';
        script_.wallpaperBufferZeroFilled = zero;
        return script_.wallpaperResult;
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD) override
    {
        script_.calls.push_back("SetWallpaperOptions");
        script_.optionsSize = options->dwSize;
        script_.optionsStyle = options->dwStyle;
        return script_.optionsResult;
    }

    STDMETHODIMP GetWallpaper(PWSTR, UINT, DWORD) override { return Unexpected("GetWallpaper"); }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT, DWORD) override { return Unexpected("GetWallpaperOptions"); }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return Unexpected("GetPattern"); }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return Unexpected("SetPattern"); }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT, DWORD) override { return Unexpected("GetDesktopItemOptions"); }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT, DWORD) override { return Unexpected("SetDesktopItemOptions"); }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override { return Unexpected("AddDesktopItem"); }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override { return Unexpected("AddDesktopItemWithUI"); }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override { return Unexpected("ModifyDesktopItem"); }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override { return Unexpected("RemoveDesktopItem"); }
    STDMETHODIMP GetDesktopItemCount(int*, DWORD) override { return Unexpected("GetDesktopItemCount"); }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override { return Unexpected("GetDesktopItem"); }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override { return Unexpected("GetDesktopItemByID"); }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override { return Unexpected("GenerateDesktopItemHtml"); }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return Unexpected("AddUrl"); }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override { return Unexpected("GetDesktopItemBySource"); }

private:
    HRESULT Unexpected(const char* name)
    {
        script_.calls.push_back(name);
        return E_NOTIMPL;
    }

    ActiveDesktopScript& script_;
    LONG refs_ = 1;
};

class FakeFactory final : public IClassFactory {
public:
    explicit FakeFactory(ActiveDesktopScript& script) : script_(script) {}
    ~FakeFactory() = default;
    FakeFactory(const FakeFactory&) = delete;
    FakeFactory& operator=(const FakeFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        // S_FALSE: this thread already is a single-threaded apartment.
        const HRESULT probe = ::CoInitialize(nullptr);
        if (SUCCEEDED(probe))
            ::CoUninitialize();
        script_.creatorInSta = probe == S_FALSE;
        auto* object = new FakeDesktop(script_);
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    ActiveDesktopScript& script_;
    LONG refs_ = 1;
};

} // namespace

class InitSpy final : public IInitializeSpy {
public:
    explicit InitSpy(ActiveDesktopScript& script) : script_(script) {}
    ~InitSpy() = default;
    InitSpy(const InitSpy&) = delete;
    InitSpy& operator=(const InitSpy&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IInitializeSpy)) {
            *ppv = static_cast<IInitializeSpy*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = ::InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP PreInitialize(DWORD, DWORD) override { return S_OK; }
    STDMETHODIMP PostInitialize(HRESULT result, DWORD, DWORD refs) override
    {
        if (SUCCEEDED(result) && refs == 1) {
            ++initialisations;
            registration_ = std::make_unique<FakeActiveDesktopRegistration>(script_);
        }
        return result;
    }
    STDMETHODIMP PreUninitialize(DWORD refs) override
    {
        if (refs == 1) {
            ++uninitialisations;
            registration_.reset();
        }
        return S_OK;
    }
    STDMETHODIMP PostUninitialize(DWORD) override { return S_OK; }

    int initialisations = 0;
    int uninitialisations = 0;

private:
    ActiveDesktopScript& script_;
    std::unique_ptr<FakeActiveDesktopRegistration> registration_;
    LONG refs_ = 1;
};

#pragma GCC diagnostic pop

FakeActiveDesktopOnThreadInit::FakeActiveDesktopOnThreadInit(ActiveDesktopScript& script)
    : spy_(new InitSpy(script))
{
    registered_ = ::CoRegisterInitializeSpy(spy_, &cookie_) == S_OK;
}

FakeActiveDesktopOnThreadInit::~FakeActiveDesktopOnThreadInit()
{
    if (registered_)
        ::CoRevokeInitializeSpy(cookie_);
    spy_->Release();
}

int FakeActiveDesktopOnThreadInit::initialisations() const { return spy_->initialisations; }
int FakeActiveDesktopOnThreadInit::uninitialisations() const { return spy_->uninitialisations; }

FakeActiveDesktopRegistration::FakeActiveDesktopRegistration(ActiveDesktopScript& script)
    : factory_(new FakeFactory(script))
{
    // Visible to CoCreateInstance in this thread's apartment only.
    if (::CoRegisterClassObject(platform::win::kActiveDesktopClsid, factory_, CLSCTX_INPROC_SERVER,
                                REGCLS_MULTIPLEUSE, &cookie_) != S_OK)
        cookie_ = 0;
}

FakeActiveDesktopRegistration::~FakeActiveDesktopRegistration()
{
    if (cookie_ != 0)
        ::CoRevokeClassObject(cookie_);
    factory_->Release();
}

} // namespace testing_support
