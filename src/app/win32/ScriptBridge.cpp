#include "app/win32/ScriptBridge.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cwchar>
#include <exception>
#include <memory>
#include <typeinfo>

#include "app/BridgeAccess.h"
#include "app/win32/BridgeCaller.h"
#include "platform/win32/WinText.h"

namespace app::win {

namespace {

// The exception's class name, readable ("std::runtime_error"), for the page.
std::string ClassNameOf(const std::type_info& type)
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? name.get() : type.name();
}

void Describe(EXCEPINFO* error, const std::string& source, const std::string& message)
{
    if (!error)
        return;
    *error = EXCEPINFO {};
    error->wCode = kBridgeErrorCode;
    error->bstrSource = ::SysAllocString(platform::win::Wide(source).c_str());
    error->bstrDescription = ::SysAllocString(platform::win::Wide(message).c_str());
    error->dwHelpContext = 0;
}

} // namespace

ComPtr<TScriptBridge> TScriptBridge::Create(RequestHandler onRequest, UrlSource topLevelUrl,
                                            std::string loadingPageUrl)
{
    return MakeComObject<TScriptBridge>(std::move(onRequest), std::move(topLevelUrl), std::move(loadingPageUrl));
}

TScriptBridge::TScriptBridge(RequestHandler onRequest, UrlSource topLevelUrl, std::string loadingPageUrl)
    : onRequest_(std::move(onRequest)), topLevelUrl_(std::move(topLevelUrl)),
      loadingPageUrl_(std::move(loadingPageUrl))
{
}

void TScriptBridge::Disconnect() noexcept
{
    onRequest_ = nullptr;
    topLevelUrl_ = nullptr;
}

bool TScriptBridge::Answers(REFIID riid)
{
    return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(IDispatchEx));
}

HRESULT TScriptBridge::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    // Only the first name counts; the ids of names we do not know stay as given.
    if (count == 0 || !names || !names[0] || !ids || std::wcscmp(names[0], L"downloadPic") != 0)
        return E_NOTIMPL;
    ids[0] = kDownloadPicDispId;
    return S_OK;
}

HRESULT TScriptBridge::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO* error,
                              UINT* argError)
{
    return Call(id, std::nullopt, params, error, argError);
}

HRESULT TScriptBridge::GetDispID(BSTR name, DWORD, DISPID* id)
{
    // Case-sensitive whatever the caller asks for, as the name lookup above.
    if (!name || !id || std::wcscmp(name, L"downloadPic") != 0)
        return DISP_E_UNKNOWNNAME;
    *id = kDownloadPicDispId;
    return S_OK;
}

HRESULT TScriptBridge::InvokeEx(DISPID id, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO* error,
                                IServiceProvider* caller)
{
    return Call(id, CallerDocumentUrl(caller), params, error, nullptr);
}

HRESULT TScriptBridge::GetMemberProperties(DISPID id, DWORD, DWORD* properties)
{
    if (!properties)
        return E_POINTER;
    *properties = 0;
    if (id != kDownloadPicDispId)
        return DISP_E_UNKNOWNNAME;
    *properties = fdexPropCannotGet | fdexPropCannotPut | fdexPropCannotPutRef | fdexPropCanCall |
                  fdexPropCannotConstruct | fdexPropCannotSourceEvents;
    return S_OK;
}

HRESULT TScriptBridge::GetMemberName(DISPID id, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = id == kDownloadPicDispId ? ::SysAllocString(L"downloadPic") : nullptr;
    return *name ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT TScriptBridge::GetNextDispID(DWORD, DISPID, DISPID* next)
{
    if (next)
        *next = DISPID_UNKNOWN;
    return S_FALSE;
}

HRESULT TScriptBridge::GetNameSpaceParent(IUnknown** parent)
{
    if (parent)
        *parent = nullptr;
    return E_NOTIMPL;
}

HRESULT TScriptBridge::Call(DISPID id, const std::optional<std::string>& callerUrl, const DISPPARAMS* params,
                            EXCEPINFO* error, UINT* argError)
{
    if (id != kDownloadPicDispId)
        return E_NOTIMPL;
    const std::string where = topLevelUrl_ ? topLevelUrl_() : std::string();
    if (!onRequest_ || !BridgeMayAnswerCaller(where, callerUrl, loadingPageUrl_))
        return E_ACCESSDENIED;
    return DownloadPic(params, error, argError);
}

HRESULT TScriptBridge::DownloadPic(const DISPPARAMS* params, EXCEPINFO* error, UINT* argError)
{
    // A call without arguments; an empty array is treated alike rather than
    // read past its end.
    if (!params || !params->rgvarg || params->cArgs == 0)
        return DISP_E_MEMBERNOTFOUND;
    // COM stores arguments last first: element 0 is the call's last argument.
    const VARIANT& argument = params->rgvarg[0];
    if (V_VT(&argument) != VT_BSTR) {
        if (argError)
            *argError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    try {
        const BSTR text = V_BSTR(&argument);
        const std::wstring request = text ? std::wstring(text) : std::wstring(); // up to the first zero
        onRequest_(platform::win::Narrow(request));
    } catch (const std::exception& e) {
        Describe(error, ClassNameOf(typeid(e)), e.what());
        return DISP_E_EXCEPTION;
    } catch (...) {
        Describe(error, "unknown", "The download request failed.");
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

} // namespace app::win
