#include "app/win32/DownloadRefusal.h"

namespace app::win {

namespace {

// From urlmon.h, which names them only for Windows XP SP2 and later.
constexpr int kFeatureRestrictFileDownload = 12; // FEATURE_RESTRICT_FILEDOWNLOAD
constexpr DWORD kSetFeatureOnProcess = 0x2;      // SET_FEATURE_ON_PROCESS

} // namespace

void RestrictFileDownloads()
{
    using SetFeature = HRESULT(WINAPI*)(int, DWORD, BOOL);
    // Loaded already: the program downloads through it.
    const HMODULE urlmon = ::GetModuleHandleW(L"urlmon.dll");
    const FARPROC found = urlmon ? ::GetProcAddress(urlmon, "CoInternetSetFeatureEnabled") : nullptr;
    if (!found)
        return;
    // FARPROC to the real signature through void(*)(), which -Wcast-function-type accepts.
    const auto set = reinterpret_cast<SetFeature>(reinterpret_cast<void (*)()>(found));
    set(kFeatureRestrictFileDownload, kSetFeatureOnProcess, TRUE);
}

ComPtr<TDownloadRefusal> TDownloadRefusal::Create()
{
    return MakeComObject<TDownloadRefusal>();
}

} // namespace app::win
