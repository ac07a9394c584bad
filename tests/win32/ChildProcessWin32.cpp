#include "support/ChildProcess.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace testing_support {

using platform::win::Wide;

std::string HelperPath(const std::string& name)
{
    const std::string self = platform::OwnExecutablePath();
    return self.substr(0, self.rfind('\\') + 1) + name + ".exe";
}

void CopyProgram(const std::string& from, const std::string& to)
{
    ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE);
}

struct ChildProcess::Impl {
    platform::win::Handle process;
};

ChildProcess::ChildProcess(const std::vector<std::string>& args) : impl_(std::make_unique<Impl>())
{
    std::wstring cmd;
    for (const std::string& a : args)
        cmd += (cmd.empty() ? L"\"" : L" \"") + Wide(a) + L"\"";
    STARTUPINFOW si {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi {};
    if (::CreateProcessW(Wide(args[0]).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        impl_->process.reset(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
}

ChildProcess::~ChildProcess()
{
    if (impl_->process && Wait(10000) == -1)
        ::TerminateProcess(impl_->process.get(), 1);
}

bool ChildProcess::Started() const
{
    return static_cast<bool>(impl_->process);
}

int ChildProcess::Wait(int timeoutMs)
{
    if (!impl_->process || ::WaitForSingleObject(impl_->process.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(impl_->process.get(), &code);
    return static_cast<int>(code);
}

bool WaitForFile(const std::string& path, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (platform::FileExists(path))
            return true;
        ::Sleep(10);
    }
    return platform::FileExists(path);
}

} // namespace testing_support
