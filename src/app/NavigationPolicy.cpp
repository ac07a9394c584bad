#include "app/NavigationPolicy.h"

#include "app/BridgeAccess.h"
#include "app/Endpoints.h"
#include "app/UrlOrigin.h"
#include "util/TextUtil.h"

namespace app {

namespace {

// Script run by a link or the page itself stays in its own document.
bool IsScriptUrl(std::string_view url)
{
    return text::SameText(url.substr(0, 11), "javascript:");
}

bool MustEscape(unsigned char c)
{
    return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
           c == '{' || c == '|' || c == '}';
}

} // namespace

NavigationAction DecideMainFrameNavigation(std::string_view url, bool userAsked, std::string_view loadingPageUrl)
{
    if (IsPortalAddress(url) || BridgeMayAnswer(url, loadingPageUrl) || IsScriptUrl(url))
        return NavigationAction::Allow;
    return DecideNewWindow(url, userAsked);
}

bool PortalNeedsReload(bool mainFrameLoadFailed, std::string_view mainFrameUrl)
{
    return mainFrameLoadFailed || !IsPortalAddress(mainFrameUrl);
}

NavigationAction DecideNewWindow(std::string_view url, bool userAsked)
{
    return userAsked && BrowserUrl(url) ? NavigationAction::OpenInBrowser : NavigationAction::Ignore;
}

std::optional<std::string> BrowserUrl(std::string_view url)
{
    if (!ParseOrigin(url))
        return std::nullopt;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string safe;
    safe.reserve(url.size());
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (MustEscape(byte)) {
            safe += '%';
            safe += kHex[byte >> 4];
            safe += kHex[byte & 0xF];
        } else {
            safe += c;
        }
    }
    return safe;
}

} // namespace app
