#pragma once
// TDownLoadMonitor: the IBindStatusCallback of one asynchronous URL moniker
// binding. It writes the pulled data into the open file, relays progress to
// the download's callback on the downloading thread and stops the binding
// when the callback asks to, the body grows too large or the file cannot be
// written. Heartbeat gives the callback a turn between notifications, so a
// transfer that has gone silent can still be stopped. It also answers
// IHttpNegotiate, only to learn the HTTP status: an error status ends the
// transfer as a failure instead of saving the error page.
#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <utility>

#include "platform/HttpDownload.h"
#include "platform/win32/Handles.h"

namespace platform::win {

// COM interfaces have no virtual destructor; the object is only ever
// destroyed by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TDownLoadMonitor final : public IBindStatusCallback, public IHttpNegotiate {
public:
    // Returns a new monitor holding one reference for the caller; the body
    // goes into file, which must stay open until Disconnect.
    static TDownLoadMonitor* CreateReferenced(const DownloadProgressFn& onProgress, std::uint64_t maxBytes,
                                              HANDLE file);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }
    // IHttpNegotiate
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override;

    // On the downloading thread while the binding is open: asks the callback
    // again with the last progress and stops the binding on an Abort answer.
    void Heartbeat();

    // The binding has ended (OnStopBinding ran).
    bool Stopped() const noexcept { return stopped_; }
    // The transfer is to stop: the binding has been, or will be, aborted.
    bool AbortRequested() const noexcept { return abortRequested_; }
    // After the binding has ended or been given up: the binding, the callback
    // and the file are dropped, and a late notification only aborts.
    void Disconnect() noexcept
    {
        onProgress_ = nullptr;
        file_ = nullptr;
        abortRequested_ = true;
        binding_.reset();
    }
    // Read on the downloading thread once the binding has ended.
    HRESULT Result() const noexcept { return result_; }
    bool AnsweredAbort() const noexcept { return answeredAbort_; }
    bool TooLarge() const noexcept { return tooLarge_; }
    bool WriteFailed() const noexcept { return writeFailed_; }
    bool DiskFull() const noexcept { return diskFull_; }
    DWORD HttpStatus() const noexcept { return httpStatus_; }
    std::exception_ptr Error() const noexcept { return error_; }

private:
    TDownLoadMonitor(DownloadProgressFn onProgress, std::uint64_t maxBytes, HANDLE file)
        : onProgress_(std::move(onProgress)), maxBytes_(maxBytes), file_(file) {}
    ~TDownLoadMonitor() = default;
    // Whether the transfer should go on; asks the callback unless already stopped.
    bool Consult(std::uint32_t progress, std::uint32_t progressMax);
    void StopBinding();

    std::atomic<ULONG> refCount_ {1};
    DownloadProgressFn onProgress_;
    const std::uint64_t maxBytes_;
    HANDLE file_;
    std::uint64_t written_ = 0;
    bool abortRequested_ = false;
    bool answeredAbort_ = false;
    bool aborting_ = false;   // IBinding::Abort is called once
    bool consulting_ = false; // the callback is running: no nested turn
    bool stopped_ = false;
    bool tooLarge_ = false;
    bool writeFailed_ = false;
    bool diskFull_ = false;
    HRESULT result_ = S_OK;
    std::uint32_t progress_ = 0;
    std::uint32_t progressMax_ = 0;
    DWORD httpStatus_ = 0;
    std::exception_ptr error_;
    ComPtr<IBinding> binding_; // from OnStartBinding until OnStopBinding
};
#pragma GCC diagnostic pop

// Runs this thread's messages, and with them the binding's notifications and
// the heartbeat, until the binding has ended. Once the transfer is to stop,
// the binding gets graceMs to end; false when it did not (a binding that never
// reports its end after IBinding::Abort).
bool PumpUntilStopped(const TDownLoadMonitor& monitor, DWORD graceMs);

} // namespace platform::win
