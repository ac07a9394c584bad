#pragma once
// The portal page's window.external: one method, downloadPic(request), which
// hands the request string to the worker and gives the page no result. It
// serves only while the view shows the portal or the loading page.
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>

#include "app/win32/ComObject.h"

namespace app::win {

inline constexpr DISPID kDownloadPicDispId = 2000;
// The code of the exception info a failed request reports to the page.
inline constexpr WORD kBridgeErrorCode = 9999;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TScriptBridge final : public IDispatch {
public:
    using RequestHandler = std::function<void(const std::string& utf8Request)>;
    using UrlSource = std::function<std::string()>;

    // topLevelUrl tells where the view's top-level document is now.
    static ComPtr<TScriptBridge> Create(RequestHandler onRequest, UrlSource topLevelUrl, std::string loadingPageUrl);

    // The view is going away: later calls reach nothing.
    void Disconnect() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* error, UINT* argError) override;

private:
    template <typename T, typename... Args>
    friend ComPtr<T> MakeComObject(Args&&... args);
    TScriptBridge(RequestHandler onRequest, UrlSource topLevelUrl, std::string loadingPageUrl);
    ~TScriptBridge() = default;

    HRESULT DownloadPic(const DISPPARAMS* params, EXCEPINFO* error, UINT* argError);

    TRefCount refs_;
    RequestHandler onRequest_;
    UrlSource topLevelUrl_;
    std::string loadingPageUrl_;
};
#pragma GCC diagnostic pop

} // namespace app::win
