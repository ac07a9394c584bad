#pragma once
// Starts a helper program for a test and collects its exit code.
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// Full path of the helper program built beside the running test program.
std::string HelperPath(const std::string& name);

// Copies a helper program to path (keeping it executable).
void CopyProgram(const std::string& from, const std::string& to);

class ChildProcess {
public:
    // args[0] is the program's full path.
    explicit ChildProcess(const std::vector<std::string>& args);
    ~ChildProcess();                      // waits for the child
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    // The exit code, or -1 when it could not be had within the time.
    int Wait(int timeoutMs = 30000);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Waits up to timeoutMs for the file to exist.
bool WaitForFile(const std::string& path, int timeoutMs = 10000);

} // namespace testing_support
