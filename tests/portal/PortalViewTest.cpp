#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "PortalHarness.h"
#include "app/Endpoints.h"
#include "app/gtk/LoadingScheme.h"
#include "support/TestHttpServer.h"

namespace {

using namespace portal_test;
using platform::linuxdesk::GObjectPtr;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing_support::TestHttpServer;
using testing_support::TestResponse;

// A portal that takes the connection and never answers, so the loading page
// stays in view while the portal's request is provably on its way.
class SilentPortal {
public:
    SilentPortal() : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(addr);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~SilentPortal()
    {
        if (client_ >= 0)
            ::close(client_);
        ::close(fd_);
    }
    SilentPortal(const SilentPortal&) = delete;
    SilentPortal& operator=(const SilentPortal&) = delete;

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

    // What has arrived of the request so far.
    const std::string& Request()
    {
        if (client_ < 0) {
            client_ = ::accept(fd_, nullptr, nullptr);
            if (client_ >= 0)
                ::fcntl(client_, F_SETFL, O_NONBLOCK);
        }
        char buf[1024];
        ssize_t n = 0;
        while (client_ >= 0 && (n = ::read(client_, buf, sizeof(buf))) > 0)
            request_.append(buf, static_cast<std::size_t>(n));
        return request_;
    }

private:
    int fd_;
    int client_ = -1;
    std::uint16_t port_ = 0;
    std::string request_;
};

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

    bool Click(HostWindow& host, int x, int y, int button = 1)
    {
        return XDoTool({"mousemove", std::to_string(host.ScreenX(x)), std::to_string(host.ScreenY(y)),
                        "click", std::to_string(button)});
    }
    std::string Eval(HostWindow& host, const std::string& script) { return RunScript(host.web(), script).value; }

    TestHttpServer portal;
};

TEST_F(PortalViewTest, LoadingPageShowsFirstWhileThePortalIsRequested)
{
    SilentPortal silent;
    g_setenv("PICTAVO_PORTAL_URL", silent.Url().c_str(), TRUE);
    HostWindow host;
    const std::string loading = app::LoadingPageUrl();
    host.view().Navigate(loading);
    host.view().Navigate(app::PortalHomeUrl());

    ASSERT_TRUE(host.WaitFinished(loading));
    ASSERT_TRUE(SpinUntil([&] { return silent.Request().find("\r\n\r\n") != std::string::npos; }));
    EXPECT_THAT(silent.Request(), testing::StartsWith("GET / HTTP/1.1"));
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
    SpinUntil([&] { const auto shot = Screenshot(host.window()); return shot && pictureDots(shot.get()) > 100; }, 10s);
    const auto shot = Screenshot(host.window());
    ASSERT_TRUE(shot);
    gdk_pixbuf_save(shot.get(), "portal-loading-page.png", "png", nullptr, nullptr);
    EXPECT_EQ(PixelAt(shot.get(), 5, top + 5), background);
    EXPECT_EQ(PixelAt(shot.get(), 890, top + 545), background);
    const int drawn = pictureDots(shot.get());
    EXPECT_GT(drawn, 100);
}

TEST_F(PortalViewTest, RightClickOpensNoMenu)
{
    portal.Serve("/", TestResponse::Page(
        "<!DOCTYPE html><html><body style='height:500px'>portal text<script>window.menus = 0;"
        "addEventListener('contextmenu', () => { ++window.menus; });</script></body></html>"));
    HostWindow host;
    ASSERT_TRUE(host.Load(portal.Url("/")));
    const int before = VisibleToplevels();

    ASSERT_TRUE(Click(host, 200, 100, 3));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "window.menus") == "1"; }, 10s)); // the click arrived
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
    ASSERT_TRUE(Click(host, 200, 100)); // focus into the page

    ASSERT_TRUE(XDoTool({"key", "--clearmodifiers", "ctrl+n", "ctrl+m"}));
    ASSERT_TRUE(SpinUntil([&] { return Eval(host, "keys.join()").find('m') != std::string::npos; }, 10s));
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

    ASSERT_TRUE(Click(host, 150, 50));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 1; }, 10s));
    ASSERT_TRUE(Click(host, 150, 150));
    ASSERT_TRUE(SpinUntil([&] { return host.opened.size() == 2; }, 10s));
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

} // namespace
