#include "platform/ChildProcess.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

#include <utility>

namespace platform {

struct ChildProcess::Impl {
    win::Handle process;
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::Launch(const std::string& program)
{
    const std::wstring path = win::Wide(program);
    // The command line is the quoted program path alone: no arguments.
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return nullptr;
    win::Handle thread(info.hThread);
    auto impl = std::make_unique<Impl>();
    impl->process.reset(info.hProcess);
    return std::make_unique<ChildProcess>(std::move(impl));
}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Running()
{
    return ::WaitForSingleObject(impl_->process.get(), 0) == WAIT_TIMEOUT;
}

} // namespace platform
