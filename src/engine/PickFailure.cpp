#include "engine/PickFailure.h"

#include "platform/HttpDownload.h"

namespace engine {
namespace {

namespace dl = platform::download;

// Win32 codes the URL moniker and the file system give besides our own.
constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005u);   // E_ACCESSDENIED
constexpr std::int32_t kWriteProtect = static_cast<std::int32_t>(0x80070013u);   // ERROR_WRITE_PROTECT
constexpr std::int32_t kHandleDiskFull = static_cast<std::int32_t>(0x80070027u); // ERROR_HANDLE_DISK_FULL
constexpr std::int32_t kPathNotFound = static_cast<std::int32_t>(0x80070003u);   // ERROR_PATH_NOT_FOUND
constexpr std::int32_t kInetObjectNotFound = static_cast<std::int32_t>(0x800C0006u);
constexpr std::int32_t kInetNoValidMedia = static_cast<std::int32_t>(0x800C0003u);

bool IsHttpStatus(std::int32_t code, int& status)
{
    const auto u = static_cast<std::uint32_t>(code);
    if ((u & 0xFFFF0000u) != dl::kHttpStatusBase)
        return false;
    status = static_cast<int>(u & 0xFFFFu);
    return status >= 400 && status <= 599;
}

} // namespace

std::optional<PickFailure> ClassifyPickFailure(std::int32_t code)
{
    if (code == dl::kOk || code == dl::kAborted)
        return std::nullopt;
    PickFailure f;
    f.code = code;
    if (IsHttpStatus(code, f.httpStatus)) {
        f.cause = PickFailureCause::ServerAnswer;
        return f;
    }
    switch (code) {
    case dl::kDiskFull:
    case kHandleDiskFull:
        f.cause = PickFailureCause::DiskFull;
        break;
    case dl::kCannotCreateFile:
    case dl::kWriteFault:
    case kAccessDenied:
    case kWriteProtect:
    case kPathNotFound:
        f.cause = PickFailureCause::FolderNotWritable;
        break;
    case dl::kBadContent:
    case kInetNoValidMedia:
        f.cause = PickFailureCause::NotAPicture;
        break;
    case dl::kStalled:
    case dl::kTimeout:
        f.cause = PickFailureCause::TimedOut;
        break;
    case dl::kCannotConnect:
    case dl::kResourceNotFound:
    case dl::kSecurityProblem:
    case dl::kRedirectFailed:
    case dl::kDownloadFailure:
    case kInetObjectNotFound:
        f.cause = PickFailureCause::Unreachable;
        break;
    case dl::kTooLarge:
        f.cause = PickFailureCause::TooLarge;
        break;
    case dl::kInvalidArgument:
    case dl::kInvalidUrl:
        f.cause = PickFailureCause::Refused;
        break;
    default:
        f.cause = PickFailureCause::Other;
        break;
    }
    return f;
}

std::string DescribePickFailure(const PickFailure& failure)
{
    switch (failure.cause) {
    case PickFailureCause::DiskFull:
        return "disk full";
    case PickFailureCause::FolderNotWritable:
        return "wallpaper folder not writable";
    case PickFailureCause::NotAPicture:
        return "not a picture";
    case PickFailureCause::ServerAnswer:
        return "server answered " + std::to_string(failure.httpStatus);
    case PickFailureCause::TimedOut:
        return "timed out";
    case PickFailureCause::Unreachable:
        return "server unreachable";
    case PickFailureCause::TooLarge:
        return "picture too large";
    case PickFailureCause::Refused:
        return "request refused";
    case PickFailureCause::Other:
        break;
    }
    return "download failed";
}

} // namespace engine
