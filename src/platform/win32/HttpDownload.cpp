#include "platform/HttpDownload.h"

#include <windows.h>
#include <urlmon.h>

#include "platform/win32/DownLoadMonitor.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

// COM for the length of one download on this thread.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope()
    {
        if (ok_)
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

class MonitorRef {
public:
    explicit MonitorRef(win::TDownLoadMonitor* m) : m_(m) {}
    ~MonitorRef()
    {
        m_->Disconnect(); // a moniker still holding it gets no callback and no file
        m_->Release();
    }
    MonitorRef(const MonitorRef&) = delete;
    MonitorRef& operator=(const MonitorRef&) = delete;
    win::TDownLoadMonitor* operator->() const { return m_; }
    win::TDownLoadMonitor* get() const { return m_; }

private:
    win::TDownLoadMonitor* m_;
};

// The URL moniker notifies only when data moves. This timer gives the monitor
// a turn every second while our loop waits for the binding, so a server that
// has gone silent can still be given up on.
class HeartbeatTimer {
public:
    explicit HeartbeatTimer(win::TDownLoadMonitor* monitor)
        : window_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
        // The timer id carries the monitor to the callback.
        if (window_)
            ::SetTimer(window_, reinterpret_cast<UINT_PTR>(monitor), kIntervalMs, &Beat);
    }
    ~HeartbeatTimer()
    {
        if (window_)
            ::DestroyWindow(window_); // takes its timer with it
    }
    HeartbeatTimer(const HeartbeatTimer&) = delete;
    HeartbeatTimer& operator=(const HeartbeatTimer&) = delete;
    explicit operator bool() const { return window_ != nullptr; }

private:
    static constexpr UINT kIntervalMs = 1000;
    static void CALLBACK Beat(HWND, UINT, UINT_PTR id, DWORD)
    {
        reinterpret_cast<win::TDownLoadMonitor*>(id)->Heartbeat();
    }

    HWND window_;
};

// How long an aborted binding may take to say it has ended. Past it, the
// download is given up: the owner's stop limit must hold.
constexpr DWORD kAbortGraceMs = 2000;

} // namespace

std::int32_t DownloadUrlToFile(const std::string& url, const std::string& file,
                               const DownloadProgressFn& onProgress, std::uint64_t maxBytes)
{
    ComScope com;
    const win::FileHandle out(::CreateFileW(win::Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return download::kCannotCreateFile;
    MonitorRef monitor(win::TDownLoadMonitor::CreateReferenced(onProgress, maxBytes, out.get()));
    win::ComPtr<IMoniker> moniker;
    HRESULT hr = ::CreateURLMoniker(nullptr, win::Wide(url).c_str(), moniker.put());
    win::ComPtr<IBindCtx> context;
    if (SUCCEEDED(hr))
        hr = ::CreateAsyncBindCtx(0, monitor.get(), nullptr, context.put());
    const HeartbeatTimer heartbeat(monitor.get());
    if (SUCCEEDED(hr) && !heartbeat)
        hr = HRESULT_FROM_WIN32(::GetLastError());
    if (SUCCEEDED(hr)) {
        win::ComPtr<IStream> stream;
        hr = moniker->BindToStorage(context.get(), nullptr, IID_IStream, stream.put_void());
        if (SUCCEEDED(hr)) {
            hr = win::PumpUntilStopped(*monitor.get(), kAbortGraceMs) ? monitor->Result() : E_ABORT;
        }
    }
    if (monitor->Error())
        std::rethrow_exception(monitor->Error());
    if (monitor->AnsweredAbort())
        return download::kAborted;
    if (monitor->TooLarge())
        return download::kTooLarge;
    if (monitor->HttpStatus() >= 400)
        return download::HttpStatusCode(static_cast<long>(monitor->HttpStatus()));
    if (monitor->DiskFull())
        return download::kDiskFull;
    if (monitor->WriteFailed())
        return download::kWriteFault;
    return static_cast<std::int32_t>(hr);
}

} // namespace platform
