#pragma once
// TDownLoadMonitor: the IBindStatusCallback handed to URLDownloadToFileW. It
// relays progress to the download's callback on the downloading thread and
// answers E_ABORT from the notification on which the callback asked to stop.
// It also answers IHttpNegotiate, only to learn the HTTP status: an error
// status ends the transfer as a failure instead of saving the error page.
#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <utility>

#include "platform/HttpDownload.h"

namespace platform::win {

// COM interfaces have no virtual destructor; the object is only ever
// destroyed by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDownLoadMonitor final : public IBindStatusCallback, public IHttpNegotiate {
public:
    // Returns a new monitor holding one reference for the caller.
    static TDownLoadMonitor* CreateReferenced(const DownloadProgressFn& onProgress, std::uint64_t maxBytes);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }
    // IHttpNegotiate
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override;

    // After URLDownloadToFileW has returned: the callback is dropped, and a
    // late notification from a moniker still holding the monitor only aborts.
    void Disconnect() noexcept
    {
        onProgress_ = nullptr;
        abortRequested_ = true;
    }
    // Read on the downloading thread once URLDownloadToFileW has returned.
    bool TooLarge() const noexcept { return tooLarge_; }
    DWORD HttpStatus() const noexcept { return httpStatus_; }
    std::exception_ptr Error() const noexcept { return error_; }

private:
    TDownLoadMonitor(DownloadProgressFn onProgress, std::uint64_t maxBytes)
        : onProgress_(std::move(onProgress)), maxBytes_(maxBytes) {}
    ~TDownLoadMonitor() = default;

    std::atomic<ULONG> refCount_ {1};
    DownloadProgressFn onProgress_;
    const std::uint64_t maxBytes_;
    bool abortRequested_ = false;
    bool tooLarge_ = false;
    DWORD httpStatus_ = 0;
    std::exception_ptr error_;
};
#pragma GCC diagnostic pop

} // namespace platform::win
