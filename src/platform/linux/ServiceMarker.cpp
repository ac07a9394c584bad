#include "platform/ServiceMarker.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kMarkerName = "/BrisvaneClientMutex";

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

bool ServiceMarkerExists()
{
    Fd fd(::shm_open(kMarkerName, O_RDWR, 0600));
    if (fd.get() < 0)
        return false;
    // The holder keeps a shared lock; an exclusive one is refused while it lives.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    // Nobody holds it: a leftover of a holder that died. Clear it away.
    ::shm_unlink(kMarkerName);
    ::flock(fd.get(), LOCK_UN);
    return false;
}

struct ServiceMarkerHold::Impl {
    int fd = -1;
};

ServiceMarkerHold::ServiceMarkerHold() : impl_(std::make_unique<Impl>())
{
    const int fd = ::shm_open(kMarkerName, O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return;
    if (::ftruncate(fd, 1) != 0 || ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    impl_->fd = fd;
}

ServiceMarkerHold::~ServiceMarkerHold()
{
    if (impl_->fd < 0)
        return;
    // Remove the name only when no other holder shares it.
    if (::flock(impl_->fd, LOCK_EX | LOCK_NB) == 0)
        ::shm_unlink(kMarkerName);
    ::close(impl_->fd);
}

bool ServiceMarkerHold::Held() const
{
    return impl_->fd >= 0;
}

} // namespace platform
