#include "platform/ServiceMarker.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace platform {
namespace {

constexpr const wchar_t* kMarkerName = L"Global\\BrisvaneClientMutex";

HANDLE CreateMarker()
{
    return ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 1, kMarkerName);
}

} // namespace

bool ServiceMarkerExists()
{
    win::Handle mapping(CreateMarker());
    // Read right after the call, whatever it returned.
    return ::GetLastError() == ERROR_ALREADY_EXISTS;
}

struct ServiceMarkerHold::Impl {
    win::Handle mapping;
};

ServiceMarkerHold::ServiceMarkerHold() : impl_(std::make_unique<Impl>())
{
    impl_->mapping.reset(CreateMarker());
}

ServiceMarkerHold::~ServiceMarkerHold() = default;

bool ServiceMarkerHold::Held() const
{
    return static_cast<bool>(impl_->mapping);
}

} // namespace platform
