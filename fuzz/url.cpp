// TUrl::SetUrl on any text: every field is a piece of the text it split, the
// port is 80 or read from the authority, and an empty text changes nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "engine/Url.h"
#include "platform/AnsiCodePage.h"

namespace {

bool Contains(const std::string& whole, const std::string& part)
{
    return whole.find(part) != std::string::npos;
}

// Port is 80 or the number after some ":" of the authority.
bool PortFromAuthority(const std::string& text, std::int32_t port)
{
    if (port == 80)
        return true;
    const std::size_t scheme = text.find("://");
    if (scheme == std::string::npos)
        return false;
    const std::size_t start = scheme + 3;
    const std::size_t end = std::min(text.find('/', start), text.size());
    for (std::size_t colon = text.find(':', start); colon < end; colon = text.find(':', colon + 1))
        if (engine::ParseIntegerText(std::string_view(text).substr(colon + 1, end - colon - 1)) == port)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    engine::TUrl url;
    url.SetUrl(text);
    if (text.empty()) {
        FUZZ_CHECK(url.Port == 0 && url.Protocol.empty() && url.Host.empty() && url.Path.empty() &&
                   url.Document.empty() && url.Query.empty() && url.Bookmark.empty());
        return 0;
    }
    const std::string normal = engine::NormaliseUrlText(text, &platform::IsAnsiLeadByte);
    for (const std::string* field : {&url.Protocol, &url.UserName, &url.Password, &url.Host, &url.Path,
                                     &url.Document, &url.Query, &url.Bookmark})
        FUZZ_CHECK(Contains(normal, *field));
    FUZZ_CHECK(PortFromAuthority(normal, url.Port));
    FUZZ_CHECK(!Contains(url.Document, "/"));
    FUZZ_CHECK(url.Path.empty() || url.Path.back() == '/');
    FUZZ_CHECK(url.Query.empty() || url.Query.front() == '?' || url.Query.front() == '=');
    FUZZ_CHECK(!url.UserName.empty() || url.Password.empty());

    // A split forgets whatever the object held before.
    engine::TUrl reused;
    reused.SetUrl("ftp://u:p@old:1/d/f.x?q#b");
    reused.SetUrl(text);
    FUZZ_CHECK(reused.Protocol == url.Protocol && reused.UserName == url.UserName &&
               reused.Password == url.Password && reused.Host == url.Host && reused.Port == url.Port &&
               reused.Path == url.Path && reused.Document == url.Document && reused.Query == url.Query &&
               reused.Bookmark == url.Bookmark);
    return 0;
}
