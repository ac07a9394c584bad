#pragma once
// Fetch one http/https URL into one file, blocking, with progress callbacks on
// the calling thread that can abort the transfer. The callback is also asked
// about once a second while no data arrives, so a silent transfer can be
// stopped. Win32: an asynchronous URL moniker binding run by a message loop of
// its own; Linux: libcurl.
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class ProgressAnswer { Continue, Abort };

// progress and progressMax as the system reports them (bytes so far and the
// announced size, 0 when unknown; the URL moniker also reports other steps).
using DownloadProgressFn = std::function<ProgressAnswer(std::uint32_t progress, std::uint32_t progressMax)>;

// Result codes: 0 on success, otherwise a 32-bit COM-style failure code.
namespace download {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kAborted = static_cast<std::int32_t>(0x80004004u);        // E_ABORT
inline constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057u); // E_INVALIDARG
// The transfer would exceed the size limit (HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)).
inline constexpr std::int32_t kTooLarge = static_cast<std::int32_t>(0x800700DFu);
// The destination or its temporary file could not be created or written
// (HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE), ..._WRITE_FAULT).
inline constexpr std::int32_t kCannotCreateFile = static_cast<std::int32_t>(0x80070052u);
inline constexpr std::int32_t kWriteFault = static_cast<std::int32_t>(0x8007001Du);
// Writing stopped for want of room (HRESULT_FROM_WIN32(ERROR_DISK_FULL)).
inline constexpr std::int32_t kDiskFull = static_cast<std::int32_t>(0x80070070u);
// The body arrived but is not what the caller accepts (HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)).
inline constexpr std::int32_t kBadContent = static_cast<std::int32_t>(0x8007000Bu);
// Less than kStallBytes arrived within kStallWindow (HRESULT_FROM_WIN32(ERROR_TIMEOUT)).
inline constexpr std::int32_t kStalled = static_cast<std::int32_t>(0x800705B4u);
inline constexpr std::uint32_t kStallBytes = 1024;
inline constexpr std::uint32_t kStallWindowMs = 30'000;
// Linux stand-ins for the URL moniker's INET_E_* codes.
inline constexpr std::int32_t kInvalidUrl = static_cast<std::int32_t>(0x800C0002u);
inline constexpr std::int32_t kCannotConnect = static_cast<std::int32_t>(0x800C0004u);
inline constexpr std::int32_t kResourceNotFound = static_cast<std::int32_t>(0x800C0005u); // host unknown
inline constexpr std::int32_t kDownloadFailure = static_cast<std::int32_t>(0x800C0008u);
inline constexpr std::int32_t kTimeout = static_cast<std::int32_t>(0x800C000Bu);
inline constexpr std::int32_t kSecurityProblem = static_cast<std::int32_t>(0x800C000Eu);
inline constexpr std::int32_t kRedirectFailed = static_cast<std::int32_t>(0x800C0014u);
// An HTTP error status s (400..599) fails with kHttpStatusBase | s, the
// HTTP_E_STATUS_* family (404 gives 0x80190194).
inline constexpr std::uint32_t kHttpStatusBase = 0x80190000u;
inline constexpr std::int32_t HttpStatusCode(long status)
{
    return static_cast<std::int32_t>(kHttpStatusBase | static_cast<std::uint32_t>(status & 0xFFFF));
}
// A transfer lands in a file of this prefix (CreateUniqueFile) beside its
// destination until it is complete and checked.
inline constexpr const char* kTempPrefix = ".pictavo-";
// Largest transfer accepted: bigger bodies, announced or not, fail with kTooLarge.
inline constexpr std::uint64_t kDefaultMaxBytes = 256ull * 1024 * 1024;
} // namespace download

// Writes the body at url into file (created or truncated), calling onProgress
// on this thread as the transfer goes on; an Abort answer stops it with
// download::kAborted. An HTTP error status is a failure. On failure the file
// may hold part of the body: the caller removes it. An exception thrown by
// onProgress aborts the transfer and is rethrown here.
std::int32_t DownloadUrlToFile(const std::string& url, const std::string& file,
                               const DownloadProgressFn& onProgress,
                               std::uint64_t maxBytes = download::kDefaultMaxBytes);

} // namespace platform
