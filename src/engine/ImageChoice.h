#pragma once
// Choosing which variant of a portal picture to download, and the name it is
// saved under.
#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// The pair reduced by its common factors, "%d,%d": '16,9' for 1920 x 1080.
// A zero or negative side gets at most one halving ((0, 1080) -> '0,540').
std::string ReduceRatio(std::int32_t a, std::int32_t b);

// The URL to download for a portal request on a screen of the given size:
// the list entry naming that size, else one of that aspect ratio, else the
// request before its "?" (empty when it has none).
std::string ChooseImageUrl(const std::string& request, int screenWidth, int screenHeight);
// The same for the primary screen as it is now.
std::string ChooseImageUrl(const std::string& request);

// The file name a download of `url` is saved under: the text after its last
// "/". Nothing when the URL is not http or https, or when that text is not a
// plain file name that stays inside the folder it is saved to (empty, ".."
// anywhere, separators, characters or device names Windows refuses, a
// trailing dot or space, malformed UTF-8, more than 255 UTF-16 units).
std::optional<std::string> DownloadFileName(const std::string& url);
// `folder` (ending with its separator) followed by that name.
std::optional<std::string> DownloadDestination(const std::string& folder, const std::string& url);

} // namespace engine
