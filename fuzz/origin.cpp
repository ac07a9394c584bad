// The origin checks against GLib's URI parser on the same text: whatever
// ParseOrigin (the script bridge's) or ParseEngineOrigin (the view's) calls an
// origin, g_uri_parse must read too, with the same scheme, host and port.
// Only the authority is put to GLib, with escapes left undecoded: what
// follows it and what the escapes stand for are no part of an origin, and
// GLib refuses some of both that browsers keep (a stray "%" in a path, an
// escape that is not UTF-8).
#include <glib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Check.h"
#include "app/UrlOrigin.h"
#include "util/TextUtil.h"

namespace {

void CheckAgainstGLib(const std::string& text, const app::UrlOrigin& origin)
{
    const std::size_t authority = text.find("://") + 3;
    const std::string head = text.substr(0, text.find_first_of("/?#", authority)) + "/";
    FUZZ_CHECK(head.find('\0') == std::string::npos);

    GError* error = nullptr;
    GUri* uri = g_uri_parse(head.c_str(), G_URI_FLAGS_ENCODED, &error);
    // GLib refuses international names with code points Unicode has not
    // assigned, which only its tables tell; engines refuse them too, so no
    // page they report can have such an origin.
    if (!uri && origin.host.find("xn--") != std::string::npos) {
        g_error_free(error);
        return;
    }
    if (!uri)
        std::fprintf(stderr, "GLib refuses %s: %s\n", head.c_str(), error->message);
    FUZZ_CHECK(uri != nullptr);
    std::string host = g_uri_get_host(uri) ? g_uri_get_host(uri) : "";
    const bool literal = host.find(':') != std::string::npos; // IPv6, written without its brackets
    if (const auto zone = host.find('%'); literal && zone != std::string::npos)
        host.replace(zone, 1, "%25"); // GLib hands the zone over unescaped
    const int port = g_uri_get_port(uri) == -1 ? (origin.scheme == "https" ? 443 : 80) : g_uri_get_port(uri);
    FUZZ_CHECK(text::AsciiLower(g_uri_get_scheme(uri)) == origin.scheme);
    const std::string expected = text::AsciiLower(literal ? "[" + host + "]" : host);
    const bool international = origin.host.find("xn--") != std::string::npos;
    if (international && expected != origin.host) {
        // GLib maps more of Unicode than the ASCII letters first; our ASCII
        // form must still read back as the host as written, label by label
        // (a label written in ASCII, "xn--" ones included, stands as it is).
        std::string written = head.substr(authority, head.size() - 1 - authority);
        written = written.substr(written.find('@') + 1);
        written = text::AsciiLower(written.substr(0, written.find(':')));
        std::string ours = origin.host;
        while (!written.empty() || !ours.empty()) {
            const std::string label = written.substr(0, written.find('.'));
            const std::string encoded = ours.substr(0, ours.find('.'));
            written.erase(0, label.size() + 1);
            ours.erase(0, encoded.size() + 1);
            const bool ascii = std::all_of(label.begin(), label.end(), [](char c) { return (c & 0x80) == 0; });
            if (ascii) {
                FUZZ_CHECK(label == encoded);
                continue;
            }
            gchar* back = g_hostname_to_unicode(encoded.c_str());
            FUZZ_CHECK(back != nullptr && label == back);
            g_free(back);
        }
    } else {
        FUZZ_CHECK(expected == origin.host);
    }
    FUZZ_CHECK(port == origin.port);
    g_uri_unref(uri);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto strict = app::ParseOrigin(text);
    const auto engine = app::ParseEngineOrigin(text);
    // The view's reading takes in every origin the bridge's does, unchanged.
    FUZZ_CHECK(!strict || engine == strict);
    if (engine)
        CheckAgainstGLib(text, *engine);
    return 0;
}
