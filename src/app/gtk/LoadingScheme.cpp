#include "app/gtk/LoadingScheme.h"

#include <webkit2/webkit2.h>

#include <array>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/linux/GLibPtr.h"
#include "util/TextUtil.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

struct SchemeEntry {
    std::string_view path; // compared without regard to case, like Windows resource names
    const char* resource;
    const char* contentType;
};

constexpr std::array kEntries {
    SchemeEntry {"/loading", "/com/brisvane/Pictavo/Loading.html", "text/html"},
    SchemeEntry {"/loadgif", "/com/brisvane/Pictavo/LoadGif.gif", "image/gif"},
    // What the page asks for instead on a scaled screen.
    SchemeEntry {"/loadgif@2x", "/com/brisvane/Pictavo/LoadGif@2x.gif", "image/gif"},
};

struct BytesUnref {
    void operator()(GBytes* b) const noexcept { g_bytes_unref(b); }
};

void FinishNotFound(WebKitURISchemeRequest* request)
{
    const GErrorPtr error(g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No such resource"));
    webkit_uri_scheme_request_finish_error(request, error.get());
}

// "res://<program file name>/<name>". Escaped, unlike the Windows original:
// a file name with a space or a slash-like character must not make the URL
// invalid.
std::string OwnResourceUrl(const char* name)
{
    std::string file = platform::OwnExecutablePath();
    file = file.substr(file.find_last_of('/') + 1);
    if (file.empty())
        file = "pictavo";
    const GCharPtr host(g_uri_escape_string(file.c_str(), nullptr, FALSE));
    return std::string(kOwnScheme) + "://" + host.get() + "/" + name;
}

} // namespace

void ServeOwnResource(WebKitURISchemeRequest* request, gpointer)
{
    const char* path = webkit_uri_scheme_request_get_path(request);
    const std::string wanted = text::AsciiLower(path ? path : "");
    for (const SchemeEntry& entry : kEntries) {
        if (wanted != entry.path)
            continue;
        GError* raw = nullptr;
        const std::unique_ptr<GBytes, BytesUnref> bytes(
            g_resources_lookup_data(entry.resource, G_RESOURCE_LOOKUP_FLAGS_NONE, &raw));
        const GErrorPtr error(raw);
        if (!bytes) {
            webkit_uri_scheme_request_finish_error(request, error.get());
            return;
        }
        const GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(bytes.get()));
        webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(g_bytes_get_size(bytes.get())),
                                         entry.contentType);
        return;
    }
    FinishNotFound(request);
}

std::string LoadingPageUrl()
{
    return OwnResourceUrl("Loading");
}

std::string UnreachablePageBaseUrl()
{
    return OwnResourceUrl("Unreachable");
}

std::string OwnPagesPrefix()
{
    return OwnResourceUrl("");
}

bool IsOwnPageUrl(const std::string& url)
{
    return text::AsciiLower(url).starts_with(std::string(kOwnScheme) + "://");
}

bool IsLoadingPageUrl(const std::string& url)
{
    const std::string lower = text::AsciiLower(url);
    return lower.starts_with(std::string(kOwnScheme) + "://") && lower.ends_with("/loading");
}

} // namespace app
