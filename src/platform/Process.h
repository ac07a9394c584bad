#pragma once
// Other processes, as far as the run-mode decision needs them.
#include <string>

namespace platform {

// Full image path of the process that started this one; empty when the
// parent is gone, cannot be opened or its path cannot be read.
std::string ParentProcessImagePath();

} // namespace platform
