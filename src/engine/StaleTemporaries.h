#pragma once
// Temporary files of our own that a killed process left behind: a download's
// (in the wallpaper folder), a Config.ini write's and a fitted copy's. Only
// names of their exact pattern are touched, and only once nothing has written
// to them for kStaleAfter, so a write under way elsewhere is left alone.
#include <cstdint>
#include <string>

namespace engine {

// Ten minutes in the 100-nanosecond units of platform::FileWriteTime. A live
// download writes at least 1 KiB every 30 s or gives up.
inline constexpr std::int64_t kStaleAfter = 600LL * 10'000'000;

// now: the current time in platform::FileWriteTime's units; 0 for the clock.
void RemoveStaleTemporaries(const std::string& configDir, const std::string& wallPaperDir,
                            const std::string& fittedDir, std::int64_t now = 0);

} // namespace engine
