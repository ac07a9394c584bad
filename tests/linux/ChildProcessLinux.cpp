#include "support/ChildProcess.h"

#include <chrono>
#include <filesystem>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "platform/FileSystem.h"

extern char** environ;

namespace testing_support {

std::string HelperPath(const std::string& name)
{
    const std::string self = platform::OwnExecutablePath();
    return self.substr(0, self.rfind('/') + 1) + name;
}

void CopyProgram(const std::string& from, const std::string& to)
{
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

struct ChildProcess::Impl {
    pid_t pid = -1;
    int code = -1;
};

ChildProcess::ChildProcess(const std::vector<std::string>& args) : impl_(std::make_unique<Impl>())
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0)
        impl_->pid = pid;
}

ChildProcess::~ChildProcess()
{
    if (impl_->pid > 0 && Wait(10000) == -1 && impl_->pid > 0) {
        ::kill(impl_->pid, SIGKILL);
        ::waitpid(impl_->pid, nullptr, 0);
    }
}

bool ChildProcess::Started() const
{
    return impl_->pid > 0 || impl_->code != -1;
}

int ChildProcess::Wait(int timeoutMs)
{
    if (impl_->pid <= 0)
        return impl_->code;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        const pid_t r = ::waitpid(impl_->pid, &status, WNOHANG);
        if (r == impl_->pid) {
            impl_->pid = -1;
            impl_->code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            return impl_->code;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

bool WaitForFile(const std::string& path, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (platform::FileExists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return platform::FileExists(path);
}

} // namespace testing_support
