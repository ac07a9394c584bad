#include "app/win32/BridgeCaller.h"

#include <mshtml.h>

#include "app/win32/ComObject.h"
#include "platform/win32/WinText.h"

namespace app::win {

std::optional<std::string> CallerDocumentUrl(IServiceProvider* caller)
{
    if (!caller)
        return std::nullopt;
    ComPtr<IHTMLWindow2> window;
    if (caller->QueryService(SID_SHTMLWindow, IID_PPV_ARGS(&window)) != S_OK || !window)
        return std::nullopt;
    // A window called: from here on, what cannot be read is no portal page.
    ComPtr<IHTMLDocument2> document;
    if (window->get_document(&document) != S_OK || !document)
        return std::string();
    BSTR url = nullptr;
    const HRESULT read = document->get_URL(&url);
    const UniqueBstr owned(url);
    if (read != S_OK || !owned)
        return std::string();
    return platform::win::Narrow(owned.get());
}

} // namespace app::win
