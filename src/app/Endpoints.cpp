#include "app/Endpoints.h"

#include <charconv>
#include <cstdlib>

#include "app/UrlOrigin.h"
#include "engine/uClientConst.h"

#ifndef PICTAVO_PORTAL_URL_DEFAULT
#define PICTAVO_PORTAL_URL_DEFAULT "http://127.0.0.1:17598/"
#endif

namespace app {

namespace {

// Where pictavo-demo-portal answers when started without options.
constexpr std::string_view kDemoPortalUrl = "http://127.0.0.1:17598/";

// The portal the user named, if any.
const char* PortalUrlFromEnvironment()
{
    const char* env = std::getenv("PICTAVO_PORTAL_URL");
    return env && *env ? env : nullptr;
}

} // namespace

std::string PortalHomeUrl()
{
    if (const char* env = PortalUrlFromEnvironment())
        return env;
    return PICTAVO_PORTAL_URL_DEFAULT;
}

std::uint16_t StatusPortSetting()
{
    const char* env = std::getenv("PICTAVO_STATUS_PORT");
    if (!env || !*env)
        return StatusPort;
    const std::string_view text(env);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return StatusPort;
    return static_cast<std::uint16_t>(value);
}

bool IsDemoPortal(std::string_view url)
{
    return url == kDemoPortalUrl;
}

bool StartsDemoPortal()
{
    return !PortalUrlFromEnvironment() && IsDemoPortal(PICTAVO_PORTAL_URL_DEFAULT);
}

bool IsPortalPage(std::string_view url)
{
    const auto page = ParseOrigin(url);
    const auto portal = ParseOrigin(PortalHomeUrl());
    return page && portal && *page == *portal;
}

bool IsPortalAddress(std::string_view url)
{
    const auto page = ParseEngineOrigin(url);
    const auto portal = ParseEngineOrigin(PortalHomeUrl());
    return page && portal && *page == *portal;
}

} // namespace app
