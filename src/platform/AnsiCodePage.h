#pragma once
// The system's ANSI code page, for the few text rules that still depend on it.

namespace platform {

// True when `code` (below 256) is a lead byte of a double-byte character in
// the system's ANSI code page. Always false where no such code page exists.
bool IsAnsiLeadByte(unsigned code);

} // namespace platform
