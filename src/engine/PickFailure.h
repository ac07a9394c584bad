#pragma once
// Why a portal pick did not become the wallpaper, in terms the user can act
// on. The download's result code is sorted into a cause here, once, for both
// editions; each edition words and shows it (UserNotice).
#include <cstdint>
#include <optional>
#include <string>

namespace engine {

enum class PickFailureCause {
    DiskFull,          // no room left where the wallpaper folder is
    FolderNotWritable, // the wallpaper folder cannot be created or written
    NotAPicture,       // what arrived is not a picture the client can show
    ServerAnswer,      // the server answered with an HTTP error status
    TimedOut,          // the server stopped sending, or never answered
    Unreachable,       // no connection to the server
    TooLarge,          // bigger than the client accepts
    Refused,           // the page asked for something the client does not fetch
    Other,
};

struct PickFailure {
    PickFailureCause cause = PickFailureCause::Other;
    int httpStatus = 0; // ServerAnswer only
    std::int32_t code = 0;
};

// The cause behind a download's result code. None for a pick that was given
// up (a newer pick, the client closing): nobody is waiting for it any more.
std::optional<PickFailure> ClassifyPickFailure(std::int32_t code);

// A few English words for the log ("disk full", "server answered 404").
std::string DescribePickFailure(const PickFailure& failure);

} // namespace engine
