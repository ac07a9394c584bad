#include "platform/win32/DownLoadMonitor.h"

namespace platform::win {

TDownLoadMonitor* TDownLoadMonitor::CreateReferenced(const DownloadProgressFn& onProgress,
                                                     std::uint64_t maxBytes)
{
    // A COM object: its reference count owns it (Release deletes it).
    return new TDownLoadMonitor(onProgress, maxBytes);
}

HRESULT TDownLoadMonitor::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IBindStatusCallback))
        *ppv = static_cast<IBindStatusCallback*>(this);
    else if (IsEqualIID(riid, IID_IHttpNegotiate))
        *ppv = static_cast<IHttpNegotiate*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TDownLoadMonitor::AddRef()
{
    return ++refCount_;
}

ULONG TDownLoadMonitor::Release()
{
    const ULONG left = --refCount_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT TDownLoadMonitor::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
    if (!abortRequested_) {
        if (progress > maxBytes_ || progressMax > maxBytes_) {
            tooLarge_ = true;
            abortRequested_ = true;
        } else if (onProgress_) {
            try {
                if (onProgress_(progress, progressMax) == ProgressAnswer::Abort)
                    abortRequested_ = true;
            } catch (...) {
                error_ = std::current_exception(); // must not cross COM
                abortRequested_ = true;
            }
        }
    }
    return abortRequested_ ? E_ABORT : S_OK;
}

HRESULT TDownLoadMonitor::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders)
{
    if (additionalHeaders)
        *additionalHeaders = nullptr;
    return S_OK;
}

HRESULT TDownLoadMonitor::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders)
{
    if (additionalHeaders)
        *additionalHeaders = nullptr;
    httpStatus_ = responseCode;
    return responseCode >= 400 ? E_ABORT : S_OK;
}

} // namespace platform::win
