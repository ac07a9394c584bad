// The script bridge's origin check against GLib's URI parser on the same
// text: whatever ParseOrigin calls an origin, g_uri_parse must read too, with
// the same scheme, host and port. Only the authority is put to GLib, with
// escapes left undecoded: what follows it and what the escapes stand for are
// no part of an origin, and GLib refuses some of both that browsers keep (a
// stray "%" in a path, an escape that is not UTF-8).
#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "Check.h"
#include "app/UrlOrigin.h"
#include "util/TextUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto origin = app::ParseOrigin(text);
    if (!origin)
        return 0;
    const std::size_t authority = text.find("://") + 3;
    const std::string head = text.substr(0, text.find_first_of("/?#", authority)) + "/";
    FUZZ_CHECK(head.find('\0') == std::string::npos);

    GError* error = nullptr;
    GUri* uri = g_uri_parse(head.c_str(), G_URI_FLAGS_ENCODED, &error);
    if (!uri)
        std::fprintf(stderr, "GLib refuses %s: %s\n", head.c_str(), error->message);
    FUZZ_CHECK(uri != nullptr);
    const std::string host = g_uri_get_host(uri) ? g_uri_get_host(uri) : "";
    const bool literal = host.find(':') != std::string::npos; // IPv6, written without its brackets
    const int port = g_uri_get_port(uri) == -1 ? (origin->scheme == "https" ? 443 : 80) : g_uri_get_port(uri);
    FUZZ_CHECK(text::AsciiLower(g_uri_get_scheme(uri)) == origin->scheme);
    FUZZ_CHECK(text::AsciiLower(literal ? "[" + host + "]" : host) == origin->host);
    FUZZ_CHECK(port == origin->port);
    g_uri_unref(uri);
    return 0;
}
