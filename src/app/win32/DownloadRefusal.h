#pragma once
// Nothing the portal view is sent is saved or run: an advert frame that goes
// to setup.exe, or an answer marked as an attachment, must not put the
// browser's Open/Save dialog over the client.
#include <windows.h>
#include <downloadmgr.h>

#include "app/win32/ComObject.h"

namespace app::win {

// The control's own restriction on downloads, for this whole process. Windows
// XP before SP2 lacks it; the view's download manager refuses there too.
void RestrictFileDownloads();

// The download manager the view offers the control: it takes every download
// and drops it. It answers success, because a manager that fails hands the
// download back to the control's own dialog.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDownloadRefusal final : public TComBase<TDownloadRefusal, IDownloadManager> {
public:
    static ComPtr<TDownloadRefusal> Create();
    static bool Answers(REFIID riid) { return IsEqualIID(riid, __uuidof(IDownloadManager)); }

    HRESULT STDMETHODCALLTYPE Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR,
                                       UINT) override
    {
        return S_OK;
    }

private:
    template <typename T, typename... Args>
    friend ComPtr<T> MakeComObject(Args&&... args);
    friend class TComBase<TDownloadRefusal, IDownloadManager>;
    TDownloadRefusal() = default;
    ~TDownloadRefusal() = default;
};
#pragma GCC diagnostic pop

} // namespace app::win
