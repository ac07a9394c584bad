#pragma once
// Starting a program as a child of this process, with no arguments (how the
// companion service starts the client). Windows: CreateProcessW; Linux: posix_spawn.
#include <memory>
#include <string>

namespace platform {

class ChildProcess {
public:
    // nullptr when the program cannot be started.
    static std::unique_ptr<ChildProcess> Launch(const std::string& program);
    // Does not stop the child; it runs on by itself.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False once the child has ended (and then it is reaped).
    bool Running();

    struct Impl;
    explicit ChildProcess(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
