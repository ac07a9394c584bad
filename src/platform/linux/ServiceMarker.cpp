#include "platform/ServiceMarker.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// One name per user: shared-memory names are machine-wide, and another
// user's service says nothing about this user's.
std::string MarkerName()
{
    return "/BrisvaneClientMutex." + std::to_string(::getuid());
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { const int fd = fd_; fd_ = -1; return fd; }

private:
    int fd_;
};

// Whether the name still leads to the object open as fd (nobody removed or
// replaced it since it was opened).
bool NameLeadsTo(const std::string& name, int fd)
{
    const Fd again(::shm_open(name.c_str(), O_RDONLY, 0));
    struct stat a {}, b {};
    return again.get() >= 0 && ::fstat(fd, &a) == 0 && ::fstat(again.get(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool OwnedByUs(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_uid == ::getuid();
}

} // namespace

bool ServiceMarkerExists()
{
    const std::string name = MarkerName();
    const Fd fd(::shm_open(name.c_str(), O_RDWR, 0600));
    if (fd.get() < 0 || !OwnedByUs(fd.get()))
        return false;
    // The holder keeps a shared lock; an exclusive one is refused while it lives.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    // Nobody holds it: a leftover of a holder that died. Clear it away, but
    // only if the name still leads to the object locked here; a holder that
    // opened it meanwhile finds it gone once it has its lock, and makes a new one.
    if (NameLeadsTo(name, fd.get()))
        ::shm_unlink(name.c_str());
    ::flock(fd.get(), LOCK_UN);
    return false;
}

struct ServiceMarkerHold::Impl {
    int fd = -1;
};

ServiceMarkerHold::ServiceMarkerHold() : impl_(std::make_unique<Impl>())
{
    const std::string name = MarkerName();
    // A client clearing a leftover holds its exclusive lock for a moment and
    // may remove the name under us: lock, then check the name is still ours.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        Fd fd(::shm_open(name.c_str(), O_RDWR | O_CREAT, 0600));
        if (fd.get() < 0 || !OwnedByUs(fd.get()))
            return;
        if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (!NameLeadsTo(name, fd.get()))
            continue;
        if (::ftruncate(fd.get(), 1) != 0)
            return;
        impl_->fd = fd.release();
        return;
    }
}

ServiceMarkerHold::~ServiceMarkerHold()
{
    if (impl_->fd < 0)
        return;
    // Remove the name only when no other holder shares it.
    if (::flock(impl_->fd, LOCK_EX | LOCK_NB) == 0 && NameLeadsTo(MarkerName(), impl_->fd))
        ::shm_unlink(MarkerName().c_str());
    ::close(impl_->fd);
}

bool ServiceMarkerHold::Held() const
{
    return impl_->fd >= 0;
}

} // namespace platform
