#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdio>

#include "PortalHarness.h"
#include "app/Endpoints.h"
#include "app/gtk/LoadingScheme.h"
#include "app/gtk/PortalWebContext.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace {

using namespace portal_test;
using platform::linuxdesk::GObjectPtr;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing_support::TempDir;
using testing_support::TestHttpServer;
using testing_support::TestResponse;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << '(' << c.r << ',' << c.g << ',' << c.b << ')'; }

Rgb PixelAt(GdkPixbuf* shot, int x, int y)
{
    const guchar* p = gdk_pixbuf_get_pixels(shot) + y * gdk_pixbuf_get_rowstride(shot) +
        x * gdk_pixbuf_get_n_channels(shot);
    return {p[0], p[1], p[2]};
}

GObjectPtr<GdkPixbuf> Screenshot(GtkWidget* window)
{
    GdkWindow* w = gtk_widget_get_window(window);
    return GObjectPtr<GdkPixbuf>(gdk_pixbuf_get_from_window(w, 0, 0, gdk_window_get_width(w), gdk_window_get_height(w)));
}

class PortalViewTest : public testing::Test {
protected:
    PortalViewTest() { g_setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), TRUE); }
    ~PortalViewTest() override { g_unsetenv("PICTAVO_PORTAL_URL"); }

    std::string Eval(HostWindow& host, const std::string& script) { return RunScript(host.web(), script).value; }
    std::string Title(HostWindow& host) { return Eval(host, "document.title"); }
    bool ShowsTrouble(HostWindow& host, const char* sentence)
    {
        return Title(host) == "The portal cannot be reached" &&
            Eval(host, "document.body.innerText").find(sentence) != std::string::npos;
    }

    TestHttpServer portal;
};

TEST_F(PortalViewTest, LoadingPageShowsFirstWhileThePortalIsRequested)
{
    // A portal that never answers: the loading page stays in view while the
    // portal's request is provably on its way.
    TestResponse hung;
    hung.answer = false;
    portal.Serve("/", hung);
    HostWindow host;
    const std::string loading = app::LoadingPageUrl();
    host.view().Navigate(loading);
    host.view().Navigate(app::PortalHomeUrl());

    ASSERT_TRUE(host.WaitFinished(loading));
    ASSERT_TRUE(SpinUntil([&] { return portal.Requests("/") == 1; }));
    ASSERT_THAT(host.committed(), ElementsAre(loading));

    // The view's area: the page's background colour around the picture in
    // the middle. The picture is drawn a moment after the load ends.
    const int top = app::PortalView::kTop;
    const Rgb background {0xED, 0xEE, 0xF0};
    const auto pictureDots = [&](GdkPixbuf* shot) {
        int dots = 0;
        for (int y = top + 275 - 25; y < top + 275 + 25; ++y)
            for (int x = 447 - 30; x < 447 + 30; ++x)
                dots += PixelAt(shot, x, y) != background;
        return dots;
    };
    const auto drawn = [&](GdkPixbuf* shot) {
        return PixelAt(shot, 5, top + 5) == background && PixelAt(shot, 890, top + 545) == background &&
            pictureDots(shot) > 100;
    };
    SpinUntil([&] { const auto shot = Screenshot(host.window()); return shot && drawn(shot.get()); });
    const auto shot = Screenshot(host.window());
    ASSERT_TRUE(shot);
    gdk_pixbuf_save(shot.get(), "portal-loading-page.png", "png", nullptr, nullptr);
    EXPECT_EQ(PixelAt(shot.get(), 5, top + 5), background);
    EXPECT_EQ(PixelAt(shot.get(), 890, top + 545), background);
    EXPECT_GT(pictureDots(shot.get()), 100);
}

TEST_F(PortalViewTest, RightClickOpensNoMenu)
{
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body style='height:500px'>portal text<script>window.menus = 0;"
        "addEventListener('contextmenu', () => { ++window.menus; });</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    const int before = VisibleToplevels();

    ASSERT_TRUE(host.Click(200, 100, 3));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "window.menus") == "1"; })); // the click arrived
    SpinFor(500ms);
    EXPECT_EQ(VisibleToplevels(), before);
}

TEST_F(PortalViewTest, CtrlNNeverReachesThePage)
{
    // A page that opens a window on Ctrl+N, as a browser would.
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body style='height:500px'><script>window.keys = [];"
        "addEventListener('keydown', e => { if (e.ctrlKey && e.key.length === 1) { keys.push(e.key);"
        " if (e.key === 'n') window.open('" + portal.Url("/second") + "'); } });</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    ASSERT_TRUE(host.Click(200, 100)); // focus into the page

    ASSERT_TRUE(XDoTool({"key", "--clearmodifiers", "ctrl+n", "ctrl+m"}));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "keys.join()").find('m') != std::string::npos; }));
    EXPECT_EQ(Eval(host, "keys.join()"), "m");
    EXPECT_THAT(host.opened, IsEmpty());
    EXPECT_EQ(portal.Requests("/second"), 0);
}

TEST_F(PortalViewTest, NewWindowRequestsGoToTheBrowserNotToASecondView)
{
    TestHttpServer elsewhere;
    const std::string linked = elsewhere.Url("/linked");
    const std::string opened = elsewhere.Url("/opened");
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body style='margin:0'>"
        "<a target='_blank' href='" + linked + "' style='display:block;width:300px;height:100px'>link</a>"
        "<button onclick=\"window.opened = window.open('" + opened + "')\""
        " style='display:block;width:300px;height:100px'>open</button></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    const int before = VisibleToplevels();

    ASSERT_TRUE(host.Click(150, 50));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 1; }));
    ASSERT_TRUE(host.Click(150, 150));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 2; }));
    SpinFor(300ms);

    EXPECT_THAT(host.opened, ElementsAre(linked, opened));
    EXPECT_EQ(Eval(host, "String(window.opened)"), "null"); // the script got no window
    EXPECT_EQ(VisibleToplevels(), before);
    EXPECT_EQ(webkit_web_view_get_uri(host.web()), portal.Url("/"));
    EXPECT_EQ(elsewhere.Requests("/linked") + elsewhere.Requests("/opened"), 0);
}

TEST_F(PortalViewTest, HidingAndShowingKeepsThePage)
{
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body><script>"
        "sessionStorage.loads = String(Number(sessionStorage.loads || 0) + 1);</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    RunScript(host.web(), "window.typed = 'kept'");

    gtk_widget_hide(host.window());
    SpinFor(300ms);
    gtk_widget_show(host.window());
    ASSERT_TRUE(SpinUntil([&] { return gtk_widget_get_mapped(host.window()); }));
    SpinFor(300ms);

    EXPECT_EQ(Eval(host, "window.typed"), "kept");
    EXPECT_EQ(Eval(host, "sessionStorage.loads"), "1");
    EXPECT_EQ(portal.Requests("/"), 1);
}

TEST_F(PortalViewTest, UnreachablePortalShowsOurPageWithoutTheBridgeAndTriesAgain)
{
    const std::uint16_t port = TestHttpServer::UnusedPort();
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/";
    g_setenv("PICTAVO_PORTAL_URL", address.c_str(), TRUE);
    HostWindow host;
    host.view().Navigate(address);

    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "document.title") == "The portal cannot be reached"; }));
    EXPECT_THAT(Eval(host, "document.body.innerText"), HasSubstr(address));
    EXPECT_EQ(Eval(host, "location.protocol"), "res:");
    EXPECT_EQ(Eval(host, "typeof window.external"), "undefined");
    SpinFor(300ms);
    const auto shot = Screenshot(host.window());
    ASSERT_TRUE(shot);
    gdk_pixbuf_save(shot.get(), "portal-unreachable.png", "png", nullptr, nullptr);
    EXPECT_EQ(PixelAt(shot.get(), 5, app::PortalView::kTop + 5), (Rgb {0xED, 0xEE, 0xF0}));

    TestHttpServer portalNowUp(port);
    portalNowUp.Serve("/", TestResponse::Page("<!DOCTYPE html><html><head><title>portal</title></head></html>"));
    const std::string link = Eval(host, "(() => { const r = document.getElementById('retry').getBoundingClientRect();"
                                        " return Math.round(r.x + r.width / 2) + ' ' + Math.round(r.y + r.height / 2); })()");
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(link.c_str(), "%d %d", &x, &y), 2) << link;
    ASSERT_TRUE(host.Click(x, y));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "document.title") == "portal"; }));
    EXPECT_EQ(portalNowUp.Requests("/"), 1);
    EXPECT_EQ(Eval(host, "typeof window.external.downloadPic"), "function");
}

TEST_F(PortalViewTest, OnlyWhatTheUserClicksLeavesThePortalAndThatOpensInTheBrowser)
{
    TestHttpServer elsewhere;
    const std::string away = elsewhere.Url("/away");
    elsewhere.Serve("/away", TestResponse::Page("<html><body>away</body></html>"));
    elsewhere.Serve("/frame",
                    TestResponse::Page("<html><body><script>top.location = '" + away + "';</script></body></html>"));
    portal.Serve("/out", TestResponse::Redirect(elsewhere.Url("/via-portal")));
    // The page's own scripts try one way out after another, then say they
    // are done: a page that was replaced never does.
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><head></head><body style='margin:0'>"
        "<a href='" + elsewhere.Url("/clicked") + "' style='display:block;height:100px'>direct</a>"
        "<a href='/out' style='display:block;height:100px'>through the portal</a><script>"
        "const tries = [() => { top.location = '" + away + "'; }, () => { location.replace('about:blank'); },"
        " () => { document.head.insertAdjacentHTML('beforeend',"
        "  \"<meta http-equiv='refresh' content='0;url=" + away + "'>\"); },"
        " () => { document.body.insertAdjacentHTML('beforeend', \"<iframe src='" + elsewhere.Url("/frame") + "'>\"); },"
        " () => { location = 'data:text/html,data'; }, () => { window.open('" + away + "'); },"
        " () => { location = '" + app::LoadingPageUrl() + "'; }];"
        "let tried = 0; const next = () => { if (tried < tries.length) { tries[tried++](); setTimeout(next, 400); }"
        " else window.done = true; }; setTimeout(next, 0);</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "String(window.done)") == "true"; }));
    EXPECT_EQ(webkit_web_view_get_uri(host.web()), portal.Url("/"));
    EXPECT_THAT(host.opened, IsEmpty());

    ASSERT_TRUE(host.Click(100, 50));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 1; }));
    ASSERT_TRUE(host.Click(100, 150));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 2; }));
    SpinFor(300ms);
    EXPECT_THAT(host.opened, ElementsAre(elsewhere.Url("/clicked"), elsewhere.Url("/via-portal")));
    EXPECT_EQ(Eval(host, "String(window.done)"), "true");
    EXPECT_EQ(elsewhere.Requests("/clicked") + elsewhere.Requests("/via-portal"), 0);
}

TEST_F(PortalViewTest, PermissionsPasswordsAndFileChoosersAreRefused)
{
    TestResponse login = TestResponse::Make(401, "who are you?");
    login.extraHeaders = "WWW-Authenticate: Basic realm=\"portal\"\r\n";
    portal.Serve("/login", login);
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body style='margin:0'><input type='file' style='display:block;width:300px;height:100px'>"
        "<iframe src='/login'></iframe><script>window.answers = [];"
        "Notification.requestPermission().then(p => answers.push('notifications ' + p));"
        "navigator.geolocation.getCurrentPosition(() => answers.push('location given'),"
        " () => answers.push('location refused'));</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    const int windows = VisibleToplevels();
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "answers.length") == "2"; }));
    EXPECT_EQ(Eval(host, "answers.sort().join()"), "location refused,notifications denied");

    ASSERT_TRUE(host.Click(150, 50)); // the file input
    ASSERT_TRUE(SpinUntil([&] { return portal.Requests("/login") > 0; }));
    SpinFor(1s);
    EXPECT_EQ(VisibleToplevels(), windows); // no file chooser
    // WebKit's password dialog would sit inside the view as a child widget.
    GList* children = gtk_container_get_children(GTK_CONTAINER(host.web()));
    EXPECT_EQ(g_list_length(children), 0u);
    g_list_free(children);
}

TEST_F(PortalViewTest, AnInvalidCertificateShowsOurPageSayingSo)
{
    // A TLS portal with a certificate of its own making.
    TempDir dir;
    const std::string key = dir.path() + "key.pem", cert = dir.path() + "cert.pem";
    const char* make[] = {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                          "/CN=127.0.0.1", "-keyout", key.c_str(), "-out", cert.c_str(), nullptr};
    gint status = -1;
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<char**>(make), nullptr,
                             GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                             nullptr, nullptr, nullptr, nullptr, &status, nullptr) &&
                g_spawn_check_wait_status(status, nullptr));
    const std::string accept = "127.0.0.1:" + std::to_string(TestHttpServer::UnusedPort());
    const char* serve[] = {"openssl", "s_server", "-quiet", "-www", "-accept", accept.c_str(), "-cert", cert.c_str(),
                           "-key", key.c_str(), nullptr};
    struct Server {
        GPid pid = 0;
        ~Server()
        {
            if (pid > 0 && kill(pid, SIGTERM) == 0)
                waitpid(pid, nullptr, 0);
        }
    } server;
    ASSERT_TRUE(g_spawn_async(nullptr, const_cast<char**>(serve), nullptr,
                              GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                          G_SPAWN_STDERR_TO_DEV_NULL),
                              nullptr, nullptr, &server.pid, nullptr));
    const std::string address = "https://" + accept + "/";
    g_setenv("PICTAVO_PORTAL_URL", address.c_str(), TRUE);
    HostWindow host;
    // The server may take a moment to listen: each try fails the same way.
    ASSERT_TRUE(SpinUntil([&] {
        if (ShowsTrouble(host, "certificate is not valid"))
            return true;
        host.view().Navigate(address);
        SpinFor(500ms);
        return false;
    }));
    EXPECT_THAT(Eval(host, "document.body.innerText"), HasSubstr(address));
}

TEST_F(PortalViewTest, AStoppedWebProcessShowsOurPageAndShowingAgainBringsThePortalBack)
{
    portal.Serve("/", TestResponse::Page("<!DOCTYPE html><html><head><title>portal</title></head></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    host.view().ReturnToPortal(); // on the portal already: nothing happens
    const int web = OurWebProcess();
    ASSERT_GT(web, 0);
    ASSERT_EQ(kill(web, SIGKILL), 0);

    ASSERT_TRUE(SpinUntil([&] { return ShowsTrouble(host, "stopped unexpectedly"); }));
    EXPECT_EQ(Eval(host, "typeof document.getElementById('retry')"), "object");
    EXPECT_EQ(portal.Requests("/"), 1);

    host.view().ReturnToPortal();
    ASSERT_TRUE(SpinUntil([&] { return Title(host) == "portal"; }));
    EXPECT_EQ(portal.Requests("/"), 2);
    EXPECT_EQ(Eval(host, "typeof window.external.downloadPic"), "function");
}

TEST(PortalSandbox, ProbeTellsWhetherBubblewrapCanStartHere)
{
    EXPECT_EQ(app::ProbeSandbox("/usr/bin/bwrap"), std::nullopt); // CI and desktops alike
    EXPECT_NE(app::ProbeSandbox("/bin/false"), std::nullopt);
    EXPECT_NE(app::ProbeSandbox("/nonexistent/bwrap"), std::nullopt);
}

} // namespace

TEST_F(PortalViewTest, DemoPortalProblemShowsAfterTheLoadingPageInsteadOfThePortal)
{
    HostWindow host;
    host.view().Navigate(app::LoadingPageUrl());
    host.view().ShowUnreachable("Another program is using port 17598.");

    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "document.title") == "The portal cannot be reached"; }));
    EXPECT_THAT(Eval(host, "document.body.innerText"), HasSubstr("Another program is using port 17598."));
    EXPECT_EQ(Eval(host, "String(document.getElementById('retry'))"), "null"); // trying again cannot help
    EXPECT_EQ(Eval(host, "location.protocol"), "res:");
    EXPECT_EQ(Eval(host, "typeof window.external"), "undefined");
    EXPECT_EQ(portal.Requests("/"), 0);
    EXPECT_EQ(host.committed().front(), app::LoadingPageUrl());
}
