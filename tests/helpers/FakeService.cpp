// Stands in for the companion service as a parent: starts the program named
// by its first argument with the remaining arguments, waits for it and
// returns its exit code. With "--detach" first it returns at once, leaving
// an orphan whose parent is gone.
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

#ifdef _WIN32
std::wstring Quote(const std::string& arg)
{
    return L"\"" + platform::win::Wide(arg) + L"\"";
}

int Run(const std::vector<std::string>& args, bool detach)
{
    std::wstring cmd;
    for (const std::string& a : args)
        cmd += (cmd.empty() ? L"" : L" ") + Quote(a);
    STARTUPINFOW si {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi {};
    if (!::CreateProcessW(platform::win::Wide(args[0]).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi))
        return 100;
    const platform::win::Handle process(pi.hProcess), thread(pi.hThread);
    if (detach)
        return 0;
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 101;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
#else
int Run(const std::vector<std::string>& args, bool detach)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return 100;
    if (detach)
        return 0;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 101;
    return WEXITSTATUS(status);
}
#endif

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool detach = !args.empty() && args[0] == "--detach";
    if (detach)
        args.erase(args.begin());
    if (args.empty())
        return 2;
    return Run(args, detach);
}
