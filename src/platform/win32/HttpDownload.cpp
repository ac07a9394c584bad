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
    ~MonitorRef() { m_->Release(); }
    MonitorRef(const MonitorRef&) = delete;
    MonitorRef& operator=(const MonitorRef&) = delete;
    win::TDownLoadMonitor* operator->() const { return m_; }
    IBindStatusCallback* callback() const { return m_; }

private:
    win::TDownLoadMonitor* m_;
};

} // namespace

std::int32_t DownloadUrlToFile(const std::string& url, const std::string& file,
                               const DownloadProgressFn& onProgress, std::uint64_t maxBytes)
{
    ComScope com;
    MonitorRef monitor(win::TDownLoadMonitor::CreateReferenced(onProgress, maxBytes));
    const HRESULT hr = ::URLDownloadToFileW(nullptr, win::Wide(url).c_str(), win::Wide(file).c_str(), 0,
                                            monitor.callback());
    monitor->Disconnect();
    if (monitor->Error())
        std::rethrow_exception(monitor->Error());
    if (monitor->TooLarge())
        return download::kTooLarge;
    if (monitor->HttpStatus() >= 400)
        return download::HttpStatusCode(static_cast<long>(monitor->HttpStatus()));
    return static_cast<std::int32_t>(hr);
}

} // namespace platform
