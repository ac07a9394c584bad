#include "platform/ChildProcess.h"

#include <spawn.h>
#include <sys/wait.h>

#include <utility>

extern char** environ;

namespace platform {

struct ChildProcess::Impl {
    pid_t pid = -1;
    bool ended = false;
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::Launch(const std::string& program)
{
    auto impl = std::make_unique<Impl>();
    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    if (::posix_spawn(&impl->pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return nullptr;
    return std::make_unique<ChildProcess>(std::move(impl));
}

ChildProcess::~ChildProcess()
{
    Running(); // reap it if it has already ended
}

bool ChildProcess::Running()
{
    if (!impl_->ended) {
        int status = 0;
        const pid_t r = ::waitpid(impl_->pid, &status, WNOHANG);
        impl_->ended = r == impl_->pid || r < 0;
    }
    return !impl_->ended;
}

} // namespace platform
