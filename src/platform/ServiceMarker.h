#pragma once
// The companion service's marker: a named object that exists only while some
// process holds it. Windows: the file mapping "Global\BrisvaneClientMutex".
// Linux: the POSIX shared-memory object "/BrisvaneClientMutex.<uid>" (one per
// user: the names are machine-wide), counted as
// existing only while a holder keeps its lock on it (a crashed holder leaves
// no stale marker behind).
#include <memory>

namespace platform {

// Creates the marker and closes it again at once; true when it already
// existed. Any other failure answers false. The client never keeps it.
bool ServiceMarkerExists();

// Holds the marker for its lifetime (the stand-in service and tests).
class ServiceMarkerHold {
public:
    ServiceMarkerHold();
    ~ServiceMarkerHold();
    ServiceMarkerHold(const ServiceMarkerHold&) = delete;
    ServiceMarkerHold& operator=(const ServiceMarkerHold&) = delete;
    bool Held() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
