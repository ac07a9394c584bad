#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PortalHarness.h"
#include "app/gtk/LoadingScheme.h"
#include "support/TestHttpServer.h"

namespace {

using namespace portal_test;
using testing::ElementsAre;
using testing::IsEmpty;
using testing_support::TestHttpServer;
using testing_support::TestResponse;

class ScriptBridgeTest : public testing::Test {
protected:
    ScriptBridgeTest() { g_setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), TRUE); }
    ~ScriptBridgeTest() override { g_unsetenv("PICTAVO_PORTAL_URL"); }

    // Calls downloadPic('end') and waits until it arrives. Messages arrive in
    // order, so whatever was not recorded before it was never sent.
    bool Fence(HostWindow& host)
    {
        RunScript(host.web(), "window.external.downloadPic('end')");
        return SpinUntil([&] { return !host.requests.empty() && host.requests.back() == "end"; });
    }

    TestHttpServer portal;
    TestHttpServer other; // another port: another origin
};

TEST_F(ScriptBridgeTest, PortalPageHandsTheLastStringArgumentToRequestDownload)
{
    portal.Serve("/", TestResponse::Page("<!DOCTYPE html><html><body>portal</body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    const auto call = [&](const char* script) { return RunScript(host.web(), script); };

    const ScriptResult one = call("window.external.downloadPic('http://p/a.jpg?1920,1080.jpg')");
    EXPECT_TRUE(one.ok) << one.value;
    EXPECT_EQ(one.value, "undefined"); // the call gives the page no result
    EXPECT_TRUE(call("window.external.downloadPic('')").ok);
    EXPECT_TRUE(call("window.external.downloadPic('first', '壁纸 last')").ok);

    EXPECT_FALSE(call("window.external.downloadPic()").ok);
    EXPECT_FALSE(call("window.external.downloadPic(5)").ok);
    EXPECT_FALSE(call("window.external.downloadPic('text', 5)").ok);
    EXPECT_FALSE(call("window.external.DownloadPic('x')").ok);
    EXPECT_EQ(call("typeof window.external.DownloadPic").value, "undefined");
    EXPECT_EQ(call("Object.keys(window.external).join()").value, "downloadPic");

    ASSERT_TRUE(Fence(host));
    EXPECT_THAT(host.requests, ElementsAre("http://p/a.jpg?1920,1080.jpg", "", "壁纸 last", "end"));
}

TEST_F(ScriptBridgeTest, FramesOfAnotherOriginAndOurOwnPagesReachNothing)
{
    // Every way a foreign frame might try, reported back to the portal page.
    other.Serve("/frame", TestResponse::Page(
        "<!DOCTYPE html><html><body>frame<script>const tried = [];"
        "try { window.external.downloadPic('own'); tried.push('own'); } catch (e) {}"
        "try { parent.external.downloadPic('parent'); tried.push('parent'); } catch (e) {}"
        "try { window.webkit.messageHandlers.pictavoDownload.postMessage('direct'); tried.push('direct'); }"
        " catch (e) {}"
        "parent.postMessage('done:' + tried.join(), '*');</script></body></html>"));
    portal.Serve("/framed", TestResponse::Page(
        "<!DOCTYPE html><html><body><script>addEventListener('message', e => { window.frameSays = e.data; });"
        "</script><iframe src='" + other.Url("/frame") + "'></iframe></body></html>"));
    HostWindow host;

    // No page of another origin ever shows in the top frame; our own pages
    // are not the portal either. Even a message posted from the bridge's own
    // script world is refused there.
    ASSERT_TRUE(host.Load(app::LoadingPageUrl()));
    EXPECT_EQ(RunScript(host.web(), "typeof (window.external && window.external.downloadPic)").value, "undefined");
    RunScript(host.web(), "window.webkit.messageHandlers.pictavoDownload.postMessage('forged')",
              app::ScriptBridge::kWorldName);
    EXPECT_THAT(host.requests, IsEmpty());

    ASSERT_TRUE(host.Load(portal.Url("/framed")));
    ASSERT_TRUE(SpinUntil([&] { return RunScript(host.web(), "window.frameSays || ''").value != ""; }));
    EXPECT_EQ(RunScript(host.web(), "window.frameSays").value, "done:");
    ASSERT_TRUE(Fence(host));
    EXPECT_THAT(host.requests, ElementsAre("end"));
}

} // namespace
