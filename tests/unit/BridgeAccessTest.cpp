// The loading page's address and which top-level documents the script bridge serves.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/BridgeAccess.h"

TEST(BridgeAccess, LoadingPageIsNamedAfterTheRunningFileAndServedLikeThePortal)
{
    EXPECT_EQ(app::LoadingPageUrl("C:\\Program Files\\Brisvane\\My Client.exe"), "res://My Client.exe/Loading");
    EXPECT_EQ(app::LoadingPageUrl("/opt/pictavo/bin/pictavo"), "res://pictavo/Loading");
    EXPECT_EQ(app::LoadingPageUrl("Pictavo.exe"), "res://Pictavo.exe/Loading");

#ifdef _WIN32
    ::_putenv_s("PICTAVO_PORTAL_URL", "http://portal.example:8080/home");
#else
    ::setenv("PICTAVO_PORTAL_URL", "http://portal.example:8080/home", 1);
#endif
    const std::string loading = "res://My Client.exe/Loading";
    EXPECT_TRUE(app::BridgeMayAnswer("http://PORTAL.example:8080/gallery/7", loading));
    EXPECT_TRUE(app::BridgeMayAnswer("res://my client.EXE/loading", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("http://portal.example/gallery/7", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("res://My Client.exe/LoadGif", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("", loading));
    EXPECT_FALSE(app::BridgeMayAnswer("", ""));
#ifdef _WIN32
    ::_putenv_s("PICTAVO_PORTAL_URL", "");
#else
    ::unsetenv("PICTAVO_PORTAL_URL");
#endif
}
