#pragma once
// What the static runtime needs from Windows that Windows XP does not have.
// Today that is GetTickCount64 alone; XpCompat.cpp says how it is provided.
#include <atomic>
#include <cstdint>

namespace platform::win {

// A 64-bit millisecond count built from a wrapping 32-bit one (GetTickCount
// wraps every 49.7 days). `state` keeps the wraps seen (high half) and the
// last reading (low half); `read` is called after `state` is loaded, so a
// reading lower than the stored one can only mean a wrap, from any thread.
// A wrap goes unseen only if no call at all falls within 49.7 days.
std::uint64_t ExtendTickCount(std::atomic<std::uint64_t>& state, std::uint32_t (*read)());

} // namespace platform::win
