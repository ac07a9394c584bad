#include "platform/HttpDownload.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/FileSystem.h"

namespace platform {
namespace {

constexpr long kMaxRedirects = 10;
constexpr long kConnectTimeoutSeconds = 30;
// The longest a stalled transfer goes without a progress notification, so a
// terminate request still aborts it.
constexpr auto kIdleNotifyInterval = std::chrono::seconds(1);

struct EasyDeleter {
    void operator()(CURL* c) const noexcept { curl_easy_cleanup(c); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;

struct Transfer {
    std::FILE* out = nullptr;
    const DownloadProgressFn* onProgress = nullptr;
    std::uint64_t maxBytes = 0;
    std::uint64_t written = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool diskFull = false;
    std::exception_ptr error;
    curl_off_t lastNow = -1;
    curl_off_t lastTotal = -1;
    std::chrono::steady_clock::time_point lastNotify {};
};

std::uint32_t Clamp32(curl_off_t v)
{
    if (v < 0)
        return 0;
    return v > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
}

bool IsNoRoom(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t.written + bytes > t.maxBytes) {
        t.tooLarge = true;
        return 0;
    }
    if (std::fwrite(data, 1, bytes, t.out) != bytes) {
        t.writeFailed = true;
        t.diskFull = IsNoRoom(errno);
        return 0;
    }
    t.written += bytes;
    return bytes;
}

int OnTransferInfo(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t, curl_off_t)
{
    auto& t = *static_cast<Transfer*>(user);
    if (dlTotal > 0 && static_cast<std::uint64_t>(dlTotal) > t.maxBytes) {
        t.tooLarge = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    // libcurl calls this very often; notify only of news, or of a stall.
    if (dlNow == t.lastNow && dlTotal == t.lastTotal && now - t.lastNotify < kIdleNotifyInterval)
        return 0;
    t.lastNow = dlNow;
    t.lastTotal = dlTotal;
    t.lastNotify = now;
    if (!*t.onProgress)
        return 0;
    try {
        return (*t.onProgress)(Clamp32(dlNow), Clamp32(dlTotal)) == ProgressAnswer::Abort ? 1 : 0;
    } catch (...) {
        t.error = std::current_exception(); // must not cross libcurl
        return 1;
    }
}

std::int32_t MapCurlResult(CURLcode code, CURL* curl)
{
    switch (code) {
    case CURLE_OK:
        return download::kOk;
    case CURLE_ABORTED_BY_CALLBACK:
        return download::kAborted;
    case CURLE_HTTP_RETURNED_ERROR: {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        return download::HttpStatusCode(status);
    }
    case CURLE_FILESIZE_EXCEEDED:
        return download::kTooLarge;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return download::kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return download::kResourceNotFound;
    case CURLE_COULDNT_CONNECT:
        return download::kCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return download::kTimeout;
    case CURLE_TOO_MANY_REDIRECTS:
        return download::kRedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return download::kSecurityProblem;
    case CURLE_WRITE_ERROR:
        return download::kWriteFault;
    default:
        return download::kDownloadFailure;
    }
}

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

std::int32_t DownloadUrlToFile(const std::string& url, const std::string& file,
                               const DownloadProgressFn& onProgress, std::uint64_t maxBytes)
{
    if (url.empty())
        return download::kInvalidUrl;
    InitCurlOnce();
    EasyPtr curl(curl_easy_init());
    if (!curl)
        return download::kDownloadFailure;
    FilePtr out = OpenStdFile(file, "wb");
    if (!out)
        return download::kCannotCreateFile;
    // The file may be a private temporary (mkstemp makes 0600); a picture is
    // readable like any other file the user saves.
    ::fchmod(::fileno(out.get()), 0644);

    Transfer t;
    t.out = out.get();
    t.onProgress = &onProgress;
    t.maxBytes = maxBytes;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);

    const CURLcode code = curl_easy_perform(c);
    const bool flushed = std::fflush(out.get()) == 0;
    if (!flushed && IsNoRoom(errno))
        t.diskFull = true;
    out.reset();
    if (t.error)
        std::rethrow_exception(t.error);
    if (t.tooLarge)
        return download::kTooLarge;
    if (t.diskFull)
        return download::kDiskFull;
    if (t.writeFailed || (code == CURLE_OK && !flushed))
        return download::kWriteFault;
    return MapCurlResult(code, c);
}

} // namespace platform
