#include "app/win32/ServiceProvider.h"

#include "app/win32/DownloadRefusal.h"

namespace app::win {

HRESULT TServiceProvider::QueryService(REFGUID service, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    // The download manager's service id is its interface id.
    if (!IsEqualGUID(service, __uuidof(IDownloadManager)))
        return E_NOINTERFACE;
    return TDownloadRefusal::Create()->QueryInterface(riid, out);
}

} // namespace app::win
