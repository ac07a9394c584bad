#include "win32/FakeCaller.h"

#include <mshtml.h>

static enum FakeCallerKind callerKind;
static const wchar_t* callerUrl;
static IServiceProvider provider;
static IHTMLWindow2 window;
static IHTMLDocument2 document;

#define FAKE_UNKNOWN(Iface)                                                                         \
    static HRESULT STDMETHODCALLTYPE Fake##Iface##QueryInterface(Iface* self, REFIID riid, void** out) \
    {                                                                                               \
        *out = IsEqualIID(riid, &IID_IUnknown) || IsEqualIID(riid, &IID_##Iface) ? self : NULL;     \
        return *out ? S_OK : E_NOINTERFACE;                                                         \
    }                                                                                               \
    static ULONG STDMETHODCALLTYPE Fake##Iface##AddRef(Iface* self)                                 \
    {                                                                                               \
        (void)self;                                                                                 \
        return 1;                                                                                   \
    }                                                                                               \
    static ULONG STDMETHODCALLTYPE Fake##Iface##Release(Iface* self)                                \
    {                                                                                               \
        (void)self;                                                                                 \
        return 1;                                                                                   \
    }

FAKE_UNKNOWN(IServiceProvider)
FAKE_UNKNOWN(IHTMLWindow2)
FAKE_UNKNOWN(IHTMLDocument2)

static HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service, REFIID riid, void** out)
{
    (void)self;
    *out = NULL;
    if (callerKind == FAKE_CALLER_WITHOUT_WINDOW || !IsEqualGUID(service, &SID_SHTMLWindow) ||
        !IsEqualIID(riid, &IID_IHTMLWindow2))
        return E_NOINTERFACE;
    *out = &window;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE GetDocument(IHTMLWindow2* self, IHTMLDocument2** out)
{
    (void)self;
    *out = callerKind == FAKE_CALLER_UNREADABLE ? NULL : &document;
    return *out ? S_OK : E_ACCESSDENIED;
}

static HRESULT STDMETHODCALLTYPE GetUrl(IHTMLDocument2* self, BSTR* out)
{
    (void)self;
    *out = SysAllocString(callerUrl);
    return S_OK;
}

static IServiceProviderVtbl providerTable = {
    .QueryInterface = FakeIServiceProviderQueryInterface,
    .AddRef = FakeIServiceProviderAddRef,
    .Release = FakeIServiceProviderRelease,
    .QueryService = QueryService,
};
static IHTMLWindow2Vtbl windowTable = {
    .QueryInterface = FakeIHTMLWindow2QueryInterface,
    .AddRef = FakeIHTMLWindow2AddRef,
    .Release = FakeIHTMLWindow2Release,
    .get_document = GetDocument,
};
static IHTMLDocument2Vtbl documentTable = {
    .QueryInterface = FakeIHTMLDocument2QueryInterface,
    .AddRef = FakeIHTMLDocument2AddRef,
    .Release = FakeIHTMLDocument2Release,
    .get_URL = GetUrl,
};

IServiceProvider* FakeCaller(enum FakeCallerKind kind, const wchar_t* documentUrl)
{
    callerKind = kind;
    callerUrl = documentUrl;
    provider.lpVtbl = &providerTable;
    window.lpVtbl = &windowTable;
    document.lpVtbl = &documentTable;
    return &provider;
}
