// The demo portal an installed client starts for itself, with the real
// pictavo-demo-portal on a port of the test's own: one portal however many
// clients ask, gone with the client that started it, and a port held by
// another program reported rather than used.
#include <gtest/gtest.h>

#include <libsoup/soup.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A demo portal on its own port under another user's id, as on a machine
// two people share.
class OtherUsersPortal {
public:
    OtherUsersPortal(const std::string& program, std::uint16_t port, const std::string& root)
    {
        chmod(root.c_str(), 0777);
        const std::string portText = std::to_string(port);
        const char* argv[] = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                              program.c_str(), "--port", portText.c_str(), "--root", root.c_str(), "--no-fill",
                              nullptr};
        g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid_,
                      nullptr);
    }
    ~OtherUsersPortal()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    OtherUsersPortal(const OtherUsersPortal&) = delete;
    OtherUsersPortal& operator=(const OtherUsersPortal&) = delete;

private:
    GPid pid_ = 0;
};

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

TEST_F(DemoPortalLauncherTest, AnotherUsersPortalIsNamedNotShown)
{
    if (getuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run a portal as another user";
    const OtherUsersPortal other(program_, port_, cache_.path());
    ASSERT_TRUE(gui_test::PumpUntil([&] { return WhoAnswers(port_).has_value(); }));
    ASSERT_EQ(WhoAnswers(port_)->rfind("pictavo-demo-portal", 0), 0u);

    DemoPortalLauncher launcher(program_, port_);
    const auto problem = Start(launcher);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(std::to_string(port_)), std::string::npos) << "another user's portal was accepted";
    EXPECT_FALSE(launcher.StartedOne());
}

TEST_F(DemoPortalLauncherTest, PortalThatDiedIsReapedAndAPortalWithoutItsClientEnds)
{
    DemoPortalLauncher launcher(program_, port_);
    ASSERT_EQ(Start(launcher), "");
    const pid_t portal = launcher.Portal();
    ASSERT_GT(portal, 0);
    kill(portal, SIGKILL);
    EXPECT_TRUE(gui_test::PumpUntil([&] { return launcher.PortalDied(); }));
    EXPECT_FALSE(launcher.StartedOne());
    EXPECT_EQ(waitpid(portal, nullptr, WNOHANG), -1) << "the dead portal was left a zombie";

    // Started for a client that is already gone: its parent is not that client.
    const std::string other = std::to_string(getppid());
    testing_support::ChildProcess orphan({program_, "--port", std::to_string(port_), "--parent", other, "--no-fill"});
    EXPECT_EQ(orphan.Wait(5000), 0);
    EXPECT_EQ(WhoAnswers(port_), std::nullopt);
}
