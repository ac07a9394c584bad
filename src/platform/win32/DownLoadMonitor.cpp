#include "platform/win32/DownLoadMonitor.h"

#include <cstring>

namespace platform::win {

TDownLoadMonitor* TDownLoadMonitor::CreateReferenced(const DownloadProgressFn& onProgress,
                                                     std::uint64_t maxBytes, HANDLE file)
{
    // A COM object: its reference count owns it (Release deletes it).
    return new TDownLoadMonitor(onProgress, maxBytes, file);
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

HRESULT TDownLoadMonitor::OnStartBinding(DWORD, IBinding* binding)
{
    if (binding) {
        binding->AddRef();
        *binding_.put() = binding;
    }
    return S_OK;
}

HRESULT TDownLoadMonitor::OnStopBinding(HRESULT result, LPCWSTR)
{
    result_ = result;
    stopped_ = true;
    binding_.reset();
    return S_OK;
}

HRESULT TDownLoadMonitor::GetBindInfo(DWORD* flags, BINDINFO* info)
{
    if (!flags || !info)
        return E_INVALIDARG;
    // Asynchronous, so that our own message loop (and its heartbeat) runs
    // while the transfer waits; always a fresh copy, and none kept in the cache.
    *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION |
             BINDF_NOWRITECACHE;
    const ULONG size = info->cbSize;
    std::memset(info, 0, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
}

HRESULT TDownLoadMonitor::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium)
{
    if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm)
        return S_OK;
    // A pulled binding notifies again only once what is there has been read.
    char buffer[16384];
    while (!abortRequested_) {
        ULONG got = 0;
        const HRESULT hr = medium->pstm->Read(buffer, sizeof(buffer), &got);
        if (got > 0) {
            written_ += got;
            DWORD put = 0;
            if (written_ > maxBytes_) {
                tooLarge_ = true;
                StopBinding();
            } else if (!file_ || !::WriteFile(file_, buffer, got, &put, nullptr) || put != got) {
                writeFailed_ = true;
                const DWORD error = ::GetLastError();
                diskFull_ = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
                StopBinding();
            }
        }
        if (hr != S_OK || got == 0)
            break; // S_FALSE: the end; E_PENDING: more later
    }
    return S_OK;
}

HRESULT TDownLoadMonitor::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
    if (!abortRequested_ && (progress > maxBytes_ || progressMax > maxBytes_)) {
        tooLarge_ = true;
        StopBinding();
    }
    if (Consult(progress, progressMax))
        return S_OK;
    StopBinding();
    return E_ABORT;
}

void TDownLoadMonitor::Heartbeat()
{
    if (binding_ && !Consult(progress_, progressMax_))
        StopBinding();
}

void TDownLoadMonitor::StopBinding()
{
    abortRequested_ = true;
    if (!binding_ || aborting_)
        return;
    aborting_ = true;
    // Keeps the binding alive through Abort, which may end it re-entrantly.
    ComPtr<IBinding> binding;
    binding_->AddRef();
    *binding.put() = binding_.get();
    binding->Abort();
}

bool TDownLoadMonitor::Consult(std::uint32_t progress, std::uint32_t progressMax)
{
    progress_ = progress;
    progressMax_ = progressMax;
    if (!abortRequested_ && !consulting_ && onProgress_) {
        consulting_ = true;
        try {
            if (onProgress_(progress, progressMax) == ProgressAnswer::Abort)
                abortRequested_ = answeredAbort_ = true;
        } catch (...) {
            error_ = std::current_exception(); // must not cross COM
            abortRequested_ = true;
        }
        consulting_ = false;
    }
    return !abortRequested_;
}

bool PumpUntilStopped(const TDownLoadMonitor& monitor, DWORD graceMs)
{
    bool stopping = false;
    DWORD stopAsked = 0;
    while (!monitor.Stopped()) {
        DWORD wait = INFINITE;
        if (monitor.AbortRequested()) {
            if (!stopping) {
                stopping = true;
                stopAsked = ::GetTickCount();
            }
            const DWORD waited = ::GetTickCount() - stopAsked;
            if (waited >= graceMs)
                return false;
            wait = graceMs - waited;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG msg;
        while (!monitor.Stopped() && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
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
