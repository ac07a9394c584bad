#pragma once
// The folder of fitted pictures: names derived from the source path, and
// pruning that keeps only the newest few.
#include <string>

namespace picture {

// How many fitted pictures the folder keeps, the current one included.
inline constexpr int kFitCacheKeep = 4;

// A hash of the whole path, then the file's stem reduced to safe characters.
std::string FitCacheName(const std::string& sourcePath);

// Removes fitted pictures beyond the newest kFitCacheKeep (never `current`,
// a name in dir) and temporary files left by a crash over an hour ago.
void PruneFitCache(const std::string& dir, const std::string& current);

} // namespace picture
