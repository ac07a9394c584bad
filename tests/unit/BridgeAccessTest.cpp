// The loading page's address, which top-level documents the script bridge
// serves, and where the portal view may go.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/BridgeAccess.h"
#include "app/Endpoints.h"
#include "app/NavigationPolicy.h"

namespace {

class PortalAt : public ::testing::Test {
protected:
    void SetUp() override { SetPortal("http://portal.example:8080/home"); }
    void TearDown() override { SetPortal(nullptr); }
    static void SetPortal(const char* url)
    {
#ifdef _WIN32
        ::_putenv_s("PICTAVO_PORTAL_URL", url ? url : "");
#else
        url ? ::setenv("PICTAVO_PORTAL_URL", url, 1) : ::unsetenv("PICTAVO_PORTAL_URL");
#endif
    }
    const std::string loading_ = "res://My Client.exe/Loading";
};

TEST_F(PortalAt, LoadingPageIsNamedAfterTheRunningFileAndServedLikeThePortal)
{
    EXPECT_EQ(app::LoadingPageUrl("C:\\Program Files\\Brisvane\\My Client.exe"), loading_);
    EXPECT_EQ(app::LoadingPageUrl("/opt/pictavo/bin/pictavo"), "res://pictavo/Loading");
    EXPECT_EQ(app::LoadingPageUrl("Pictavo.exe"), "res://Pictavo.exe/Loading");

    EXPECT_TRUE(app::BridgeMayAnswer("http://PORTAL.example:8080/gallery/7", loading_));
    EXPECT_TRUE(app::BridgeMayAnswer("res://my client.EXE/loading", loading_));
    EXPECT_FALSE(app::BridgeMayAnswer("http://portal.example/gallery/7", loading_));
    EXPECT_FALSE(app::BridgeMayAnswer("res://My Client.exe/LoadGif", loading_));
    EXPECT_FALSE(app::BridgeMayAnswer("", loading_));
    EXPECT_FALSE(app::BridgeMayAnswer("", ""));
}

TEST_F(PortalAt, MainFrameKeepsToThePortalAndOnlyTheUserLeavesForTheBrowser)
{
    using app::NavigationAction;
    for (bool user : {false, true}) {
        EXPECT_EQ(app::DecideMainFrameNavigation("http://portal.example:8080/gallery?p=2", user, loading_),
                  NavigationAction::Allow);
        EXPECT_EQ(app::DecideMainFrameNavigation("res://MY CLIENT.exe/Loading", user, loading_),
                  NavigationAction::Allow);
        EXPECT_EQ(app::DecideMainFrameNavigation("JavaScript:pick(3)", user, loading_), NavigationAction::Allow);
        for (const char* never : {"file:///etc/passwd", "about:blank", "mailto:x@example.com", "data:text/html,x",
                                  "res://shdocvw.dll/x", "ftp://portal.example/", ""})
            EXPECT_EQ(app::DecideMainFrameNavigation(never, user, loading_), NavigationAction::Ignore) << never;
        // The portal too: asked for a window, it opens in the browser.
        EXPECT_EQ(app::DecideNewWindow("http://portal.example:8080/", user),
                  user ? NavigationAction::OpenInBrowser : NavigationAction::Ignore);
    }
    EXPECT_EQ(app::DecideMainFrameNavigation("https://portal.example:8080/", true, loading_),
              NavigationAction::OpenInBrowser);
    EXPECT_EQ(app::DecideMainFrameNavigation("http://portal.example:8080.evil.example/", false, loading_),
              NavigationAction::Ignore);
}

TEST_F(PortalAt, AViewShownAgainReloadsOnlyWhenItIsNotOnThePortal)
{
    EXPECT_FALSE(app::PortalNeedsReload(false, "http://portal.example:8080/gallery/7")); // the page stays
    EXPECT_TRUE(app::PortalNeedsReload(true, "http://portal.example:8080/home"));       // the error page keeps the address
    EXPECT_TRUE(app::PortalNeedsReload(false, loading_));
    EXPECT_TRUE(app::PortalNeedsReload(false, "res://ieframe.dll/navcancl.htm#http://portal.example:8080/home"));
    EXPECT_TRUE(app::PortalNeedsReload(false, ""));
}

// Hosts a web engine loads though they are no plain DNS names: the view
// shows the portal there (as the engine reports its address), and only the
// bridge may stay shut.
TEST_F(PortalAt, APortalOnAnyHostTheEngineLoadsIsShown)
{
    using app::NavigationAction;
    SetPortal("http://my_portal:8080/");
    EXPECT_EQ(app::DecideMainFrameNavigation("http://MY_portal:8080/gallery", false, loading_), NavigationAction::Allow);
    EXPECT_TRUE(app::BridgeMayAnswer("http://my_portal:8080/gallery", loading_));
    EXPECT_FALSE(app::PortalNeedsReload(false, "http://my_portal:8080/gallery"));

    SetPortal("http://\xE4\xBE\x8B\xE3\x81\x88.\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88/"); // 例え.テスト
    EXPECT_EQ(app::DecideMainFrameNavigation("http://xn--r8jz45g.xn--zckzah/gallery", false, loading_),
              NavigationAction::Allow);
    EXPECT_EQ(app::DecideMainFrameNavigation("http://\xE4\xBE\x8B\xE3\x81\x88.\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88/x",
                                             false, loading_),
              NavigationAction::Allow);
    EXPECT_FALSE(app::PortalNeedsReload(false, "http://xn--r8jz45g.xn--zckzah/gallery"));
    EXPECT_FALSE(app::BridgeMayAnswer("http://xn--r8jz45g.xn--zckzah/gallery", loading_));
    EXPECT_EQ(app::DecideMainFrameNavigation("http://xn--r8jz45h.xn--zckzah/", false, loading_),
              NavigationAction::Ignore);
    SetPortal("https://b\xC3\xBC""cher.example/");
    EXPECT_EQ(app::DecideMainFrameNavigation("https://XN--BCHER-KVA.example/", false, loading_),
              NavigationAction::Allow);

    SetPortal("http://[fe80::1%25eth0]:8080/");
    EXPECT_EQ(app::DecideMainFrameNavigation("http://[FE80::1%25eth0]:8080/gallery", false, loading_),
              NavigationAction::Allow);
    EXPECT_FALSE(app::BridgeMayAnswer("http://[fe80::1%25eth0]:8080/gallery", loading_));
    for (const char* elsewhere : {"http://[fe80::1%25eth1]:8080/", "http://[fe80::1]:8080/", "http://[fe80::1%25]:8080/",
                                  "http://[fe80::1%eth0]:8080/", "http://[fe80::1%25e/th0]:8080/"})
        EXPECT_EQ(app::DecideMainFrameNavigation(elsewhere, false, loading_), NavigationAction::Ignore) << elsewhere;
    // A text that is not UTF-8 names no host at all.
    SetPortal("http://b\xFC""cher.example/");
    EXPECT_EQ(app::DecideMainFrameNavigation("http://b\xFC""cher.example/", false, loading_), NavigationAction::Ignore);
}

TEST_F(PortalAt, TheClientStartsTheDemoPortalOnlyWhenNoPortalWasNamed)
{
    // The tests' build keeps the demo portal as its home page.
    SetPortal(nullptr);
    ASSERT_TRUE(app::IsDemoPortal(app::PortalHomeUrl()));
    EXPECT_TRUE(app::StartsDemoPortal());
    // Named by the user, even with the demo portal's own address: theirs to run.
    SetPortal("http://127.0.0.1:17598/");
    EXPECT_FALSE(app::StartsDemoPortal());
    SetPortal("http://portal.example/");
    EXPECT_FALSE(app::StartsDemoPortal());
}

TEST(BrowserUrl, NothingABrowsersCommandLineCouldSplitReachesIt)
{
    EXPECT_EQ(app::BrowserUrl("https://example.com/a?b=c&d=%41#e"), "https://example.com/a?b=c&d=%41#e");
    EXPECT_EQ(app::BrowserUrl("http://example.com/a b\"c\t<d>|\\^`{}"),
              "http://example.com/a%20b%22c%09%3Cd%3E%7C%5C%5E%60%7B%7D");
    EXPECT_EQ(app::BrowserUrl("http://example.com/\xE5\xA3\x81"), "http://example.com/%E5%A3%81");
    EXPECT_EQ(app::BrowserUrl("http://example.com/\r\n--new-window"), "http://example.com/%0D%0A--new-window");
    for (const char* refused : {"file:///C:/Windows/win.ini", "javascript:alert(1)", "\"http://example.com/\"",
                                " http://example.com/", "mailto:a@b.c", "http:///"})
        EXPECT_FALSE(app::BrowserUrl(refused)) << refused;
}

} // namespace
