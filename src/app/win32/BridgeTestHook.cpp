#include "app/win32/BridgeTestHook.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/win32/PortalView.h"

namespace app::win {

namespace {

HRESULT CallDownloadPic(PortalView& view, const std::wstring& request)
{
    ComPtr<IDispatch> external;
    if (view.UIHandler().GetExternal(&external) != S_OK || !external)
        return E_NOINTERFACE;
    DISPID id = 0;
    auto name = const_cast<LPOLESTR>(L"downloadPic");
    if (const HRESULT found = external->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); found != S_OK)
        return found;
    VARIANT argument;
    ::VariantInit(&argument);
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = ::SysAllocStringLen(request.data(), static_cast<UINT>(request.size()));
    DISPPARAMS params {&argument, nullptr, 1, 0};
    EXCEPINFO error {};
    UINT argError = 0;
    const HRESULT result =
        external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &error, &argError);
    ::VariantClear(&argument);
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    return result;
}

} // namespace

bool TestHooksEnabled()
{
    const char* value = std::getenv("PICTAVO_TEST_HOOKS");
    return value && std::strcmp(value, "1") == 0;
}

std::optional<LRESULT> HandleTestRequest(PortalView& view, HWND self, WPARAM wParam, const COPYDATASTRUCT& data)
{
    if (data.dwData == kTestPickTag) {
        const auto* text = static_cast<const wchar_t*>(data.lpData);
        const std::wstring request = text ? std::wstring(text, data.cbData / sizeof(wchar_t)) : std::wstring();
        return CallDownloadPic(view, request);
    }
    if (data.dwData == kTestNavigationsTag) {
        std::string list;
        for (const std::string& url : view.Navigations())
            list += url + "\n";
        COPYDATASTRUCT reply {kTestNavigationsTag, static_cast<DWORD>(list.size()), list.data()};
        ::SendMessageW(reinterpret_cast<HWND>(wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(self),
                       reinterpret_cast<LPARAM>(&reply));
        return 1;
    }
    return std::nullopt;
}

} // namespace app::win
