// The URL moniker's callback object: a binding that takes IBinding::Abort but
// never reports its end must not hold the download (and so the program's
// stop) for ever.
#include <gtest/gtest.h>

#include "platform/win32/DownLoadMonitor.h"

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class SilentBinding final : public IBinding {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IBinding)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE Abort() override
    {
        ++aborts;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Suspend() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPriority(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) override { return E_NOTIMPL; }

    ULONG refs = 1;
    int aborts = 0;
};
#pragma GCC diagnostic pop

} // namespace

TEST(DownLoadMonitor, AnAbortedBindingThatNeverEndsIsGivenUp)
{
    SilentBinding binding;
    auto* monitor = platform::win::TDownLoadMonitor::CreateReferenced(
        [](std::uint32_t, std::uint32_t) { return platform::ProgressAnswer::Abort; }, 1000, nullptr);
    monitor->OnStartBinding(0, &binding);
    monitor->Heartbeat(); // the callback answers Abort
    EXPECT_EQ(binding.aborts, 1);
    EXPECT_FALSE(platform::win::PumpUntilStopped(*monitor, 200));
    // Given up, the monitor lets go of the binding even while the moniker
    // may still hold the monitor.
    monitor->Disconnect();
    EXPECT_EQ(binding.refs, 1u);
    monitor->Release();
}
