#pragma once
// The portal page's window.external: one method, downloadPic(request), which
// hands the request string to the worker and gives the page no result. It
// serves only while the view shows the portal or the loading page, and, where
// the script engine says which document calls, only that document when it is
// the portal's.
#include <windows.h>
#include <dispex.h>
#include <oleauto.h>

#include <functional>
#include <optional>
#include <string>

#include "app/win32/ComObject.h"

namespace app::win {

inline constexpr DISPID kDownloadPicDispId = 2000;
// The code of the exception info a failed request reports to the page.
inline constexpr WORD kBridgeErrorCode = 9999;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TScriptBridge final : public TDispatchBase<TScriptBridge, IDispatchEx> {
public:
    using RequestHandler = std::function<void(const std::string& utf8Request)>;
    using UrlSource = std::function<std::string()>;

    // topLevelUrl tells where the view's top-level document is now.
    static ComPtr<TScriptBridge> Create(RequestHandler onRequest, UrlSource topLevelUrl, std::string loadingPageUrl);

    // The view is going away: later calls reach nothing.
    void Disconnect() noexcept;

    static bool Answers(REFIID riid);
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* error, UINT* argError) override;
    // IDispatchEx: script engines that know it call through it and may say
    // who calls. Members cannot be added, deleted or listed.
    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD, DISPID* id) override;
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* error, IServiceProvider* caller) override;
    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD* properties) override;
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID, DISPID* next) override;
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown** parent) override;

private:
    template <typename T, typename... Args>
    friend ComPtr<T> MakeComObject(Args&&... args);
    friend class TComBase<TScriptBridge, IDispatchEx>;
    TScriptBridge(RequestHandler onRequest, UrlSource topLevelUrl, std::string loadingPageUrl);
    ~TScriptBridge() = default;

    // callerUrl: as CallerDocumentUrl tells it.
    HRESULT Call(DISPID id, const std::optional<std::string>& callerUrl, const DISPPARAMS* params, EXCEPINFO* error,
                 UINT* argError);
    HRESULT DownloadPic(const DISPPARAMS* params, EXCEPINFO* error, UINT* argError);

    RequestHandler onRequest_;
    UrlSource topLevelUrl_;
    std::string loadingPageUrl_;
};
#pragma GCC diagnostic pop

} // namespace app::win
