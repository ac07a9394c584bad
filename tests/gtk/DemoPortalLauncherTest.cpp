// The demo portal an installed client starts for itself, with the real
// pictavo-demo-portal on a port of the test's own: one portal however many
// clients ask, gone with the client that started it, and a port held by
// another program reported rather than used.
#include <gtest/gtest.h>

#include <libsoup/soup.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "GuiSupport.h"
#include "app/gtk/DemoPortalLauncher.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

using app::DemoPortalLauncher;
using testing_support::TestHttpServer;

namespace {

using platform::linuxdesk::GObjectPtr;

// The Server header of whoever answers on the port; nullopt when nobody does.
std::optional<std::string> WhoAnswers(std::uint16_t port)
{
    const GObjectPtr<SoupSession> session(soup_session_new_with_options("timeout", 5u, nullptr));
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    const GObjectPtr<SoupMessage> message(soup_message_new(SOUP_METHOD_GET, url.c_str()));
    GBytes* body = soup_session_send_and_read(session.get(), message.get(), nullptr, nullptr);
    if (!body)
        return std::nullopt;
    g_bytes_unref(body);
    const char* server = soup_message_headers_get_one(soup_message_get_response_headers(message.get()), "Server");
    return server ? server : "";
}

class DemoPortalLauncherTest : public ::testing::Test {
protected:
    DemoPortalLauncherTest() { setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1); }

    // Starts launcher and waits for its answer.
    static std::optional<std::string> Start(DemoPortalLauncher& launcher)
    {
        std::optional<std::string> problem;
        launcher.Start([&](const std::string& p) { problem = p; });
        gui_test::PumpUntil([&] { return problem.has_value(); });
        return problem;
    }

    const std::string program_ = testing_support::HelperPath("pictavo-demo-portal");
    const std::uint16_t port_ = TestHttpServer::UnusedPort();
    testing_support::TempDir cache_;
};

} // namespace

TEST_F(DemoPortalLauncherTest, OnePortalForEveryClientEndingWithTheOneThatStartedIt)
{
    auto first = std::make_unique<DemoPortalLauncher>(program_, port_);
    EXPECT_EQ(Start(*first), "");
    EXPECT_TRUE(first->StartedOne());
    EXPECT_EQ(WhoAnswers(port_).value_or("nobody").rfind("pictavo-demo-portal", 0), 0u);

    DemoPortalLauncher second(program_, port_);
    EXPECT_EQ(Start(second), "");
    EXPECT_FALSE(second.StartedOne());

    first.reset();
    EXPECT_EQ(WhoAnswers(port_), std::nullopt) << "the portal outlived the client that started it";

    // A client started again finds the port free and starts one anew.
    DemoPortalLauncher again(program_, port_);
    EXPECT_EQ(Start(again), "");
    EXPECT_TRUE(again.StartedOne());
}

TEST_F(DemoPortalLauncherTest, PortTakenByAnotherProgramIsReportedNotShown)
{
    TestHttpServer other(port_);
    other.Serve("/", testing_support::TestResponse::Page("<title>not ours</title>"));
    DemoPortalLauncher launcher(program_, port_);
    const auto problem = Start(launcher);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(std::to_string(port_)), std::string::npos) << *problem;
    EXPECT_FALSE(launcher.StartedOne());

    DemoPortalLauncher missing(cache_.path() + "no-such-program", TestHttpServer::UnusedPort());
    EXPECT_NE(Start(missing).value_or(""), "");
    EXPECT_FALSE(missing.StartedOne());
}
