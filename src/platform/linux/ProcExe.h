#pragma once
// The program file of a process, read from /proc.
#include <string>

namespace platform::linuxdesk {

// The path a /proc/<pid>/exe link names; empty when it cannot be read. A file
// replaced since the process started (a package upgrade) still counts by the
// path it was started from: the kernel only marks it " (deleted)".
std::string ReadExeLink(const std::string& link);

} // namespace platform::linuxdesk
