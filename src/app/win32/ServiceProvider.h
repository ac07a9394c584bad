#pragma once
// The services the host offers the control: only a download manager, which
// refuses every download (DownloadRefusal.h).
#include <windows.h>
#include <servprov.h>

#include "app/win32/ComObject.h"

namespace app::win {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TServiceProvider final : public TRoleOf<IServiceProvider> {
public:
    using TRoleOf::TRoleOf;

    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override;
};
#pragma GCC diagnostic pop

} // namespace app::win
