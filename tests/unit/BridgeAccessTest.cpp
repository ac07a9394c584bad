// The loading page's address and which top-level documents the script bridge serves.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/BridgeAccess.h"
#include "app/Endpoints.h"

namespace {

void SetPortalUrl(const char* url)
{
#ifdef _WIN32
    ::_putenv_s("PICTAVO_PORTAL_URL", url);
#else
    if (*url)
        ::setenv("PICTAVO_PORTAL_URL", url, 1);
    else
        ::unsetenv("PICTAVO_PORTAL_URL");
#endif
}

} // namespace

TEST(BridgeAccess, LoadingPageIsNamedAfterTheRunningFileAndServedLikeThePortal)
{
    EXPECT_EQ(app::LoadingPageUrl("C:\\Program Files\\Brisvane\\My Client.exe"), "res://My Client.exe/Loading");
    EXPECT_EQ(app::LoadingPageUrl("/opt/pictavo/bin/pictavo"), "res://pictavo/Loading");
    EXPECT_EQ(app::LoadingPageUrl("Pictavo.exe"), "res://Pictavo.exe/Loading");

    SetPortalUrl("http://portal.example:8080/home");
    const std::string loading = "res://My Client.exe/Loading";
    EXPECT_TRUE(app::BridgeMayAnswer("http://PORTAL.example:8080/gallery/7", loading));
    EXPECT_TRUE(app::BridgeMayAnswer("res://my client.EXE/loading", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("http://portal.example/gallery/7", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("res://My Client.exe/LoadGif", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("", ""));
    SetPortalUrl("");
}

TEST(Endpoints, TheClientStartsTheDemoPortalOnlyWhenNoPortalWasNamed)
{
    // The tests' build keeps the demo portal as its home page.
    SetPortalUrl("");
    ASSERT_TRUE(app::IsDemoPortal(app::PortalHomeUrl()));
    EXPECT_TRUE(app::StartsDemoPortal());
    // Named by the user, even with the demo portal's own address: theirs to run.
    SetPortalUrl("http://127.0.0.1:17598/");
    EXPECT_FALSE(app::StartsDemoPortal());
    SetPortalUrl("http://portal.example/");
    EXPECT_FALSE(app::StartsDemoPortal());
    SetPortalUrl("");
}
