#include "app/gtk/DemoPortalLauncher.h"

#include <fcntl.h>
#include <glib/gi18n.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "app/Endpoints.h"
#include "platform/FileSystem.h"
#include "platform/linux/PortOwners.h"

namespace app {

namespace {

using platform::linuxdesk::GCharPtr;
using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

// Where the portal finds the socket: the first descriptor after the standard three.
constexpr int kListenFd = 3;
constexpr auto kStopWait = std::chrono::seconds(3);

// In the child, before the program starts: it ends when the client does,
// even a client that was killed. A client that died before the signal was
// asked for would never send it: then the child has been handed to another
// parent already.
void EndWithParent(gpointer parent)
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != pid_t(GPOINTER_TO_INT(parent)))
        _exit(0);
}

// Another user's program on the port could serve anything under the
// portal's address: only one of ours is asked who it is, and none when the
// owners cannot be told.
bool OnlyOursListen(std::uint16_t port)
{
    const uid_t self = getuid();
    const auto owners = platform::linuxdesk::LoopbackListenerOwners(port);
    if (!owners)
        return false;
    for (const uid_t owner : *owners)
        if (owner != self)
            return false;
    return true;
}

bool Ended(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) != 0; // its pid, or -1 when it is no child of ours
}

// A text GLib made for us.
std::string Taken(gchar* text)
{
    const GCharPtr owned(text);
    return owned ? owned.get() : "";
}

std::string CannotStart(const GError* error)
{
    return Taken(g_strdup_printf(_("The demo portal cannot be started: %s"), error ? error->message : ""));
}

} // namespace

DemoPortalLauncher::DemoPortalLauncher(std::string program, std::uint16_t port)
    : program_(std::move(program)), port_(port)
{
}

DemoPortalLauncher::~DemoPortalLauncher()
{
    g_cancellable_cancel(cancel_.get());
    if (childWatch_)
        g_source_remove(childWatch_);
    if (child_ <= 0)
        return;
    kill(child_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    while (!Ended(child_)) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string DemoPortalLauncher::InstalledProgram()
{
    const std::string self = platform::OwnExecutablePath();
    return self.substr(0, self.rfind('/') + 1) + "pictavo-demo-portal";
}

void DemoPortalLauncher::Start(Ready ready)
{
    ready_ = std::move(ready);
    GError* raw = nullptr;
    const GObjectPtr<GSocket> socket(
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, &raw));
    if (socket) {
        const GObjectPtr<GInetAddress> loopback(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
        const GObjectPtr<GSocketAddress> address(g_inet_socket_address_new(loopback.get(), port_));
        // The view's first connections wait here until the portal is up.
        g_socket_set_listen_backlog(socket.get(), 64);
        if (g_socket_bind(socket.get(), address.get(), TRUE, &raw) && g_socket_listen(socket.get(), &raw)) {
            Launch(socket.get());
            return;
        }
    }
    const GErrorPtr error(raw);
    if (!g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_ADDRESS_IN_USE))
        ready_(CannotStart(error.get()));
    else if (OnlyOursListen(port_))
        AskWhoAnswers();
    else
        ready_(PortTaken());
}

void DemoPortalLauncher::Launch(GSocket* listening)
{
    // A copy above the descriptors the child is given, so handing it over
    // cannot overwrite it.
    const int fd = fcntl(g_socket_get_fd(listening), F_DUPFD_CLOEXEC, 10);
    const std::string fdText = std::to_string(kListenFd);
    const pid_t self = getpid();
    const std::string parentText = std::to_string(self);
    const char* argv[] = {program_.c_str(), "--listen-fd", fdText.c_str(), "--parent", parentText.c_str(), nullptr};
    const int sourceFds[] = {fd};
    const int targetFds[] = {kListenFd};
    GPid pid = 0;
    GError* raw = nullptr;
    // Its log of every request is of no use to the user.
    const bool started = g_spawn_async_with_pipes_and_fds(
        nullptr, argv, nullptr, GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL), EndWithParent,
        GINT_TO_POINTER(self), -1, -1, -1, sourceFds, targetFds, 1, &pid, nullptr, nullptr, nullptr, &raw);
    if (fd >= 0)
        close(fd);
    const GErrorPtr error(raw);
    if (!started) {
        ready_(CannotStart(error.get()));
        return;
    }
    child_ = pid;
    died_ = false;
    childWatch_ = g_child_watch_add(pid, &DemoPortalLauncher::ChildEnded, this);
    ready_({});
}

void DemoPortalLauncher::ChildEnded(GPid pid, gint, gpointer self)
{
    g_spawn_close_pid(pid);
    auto* launcher = static_cast<DemoPortalLauncher*>(self);
    g_warning("The demo portal ended by itself");
    launcher->child_ = 0;
    launcher->childWatch_ = 0;
    launcher->died_ = true;
}

void DemoPortalLauncher::AskWhoAnswers()
{
    // Straight to the port, never through a proxy.
    session_.reset(soup_session_new_with_options("timeout", 5u, "proxy-resolver", nullptr, nullptr));
    const std::string url = "http://127.0.0.1:" + std::to_string(port_) + "/";
    const GObjectPtr<SoupMessage> message(soup_message_new(SOUP_METHOD_HEAD, url.c_str()));
    soup_session_send_async(session_.get(), message.get(), G_PRIORITY_DEFAULT, cancel_.get(), Answered, this);
}

void DemoPortalLauncher::Answered(GObject* session, GAsyncResult* result, gpointer self)
{
    GError* raw = nullptr;
    const GObjectPtr<GInputStream> body(soup_session_send_finish(SOUP_SESSION(session), result, &raw));
    const GErrorPtr error(raw);
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return; // the launcher is gone
    auto* launcher = static_cast<DemoPortalLauncher*>(self);
    SoupMessage* message = soup_session_get_async_result_message(SOUP_SESSION(session), result);
    const char* server =
        body && message ? soup_message_headers_get_one(soup_message_get_response_headers(message), "Server") : nullptr;
    launcher->ready_(server && g_str_has_prefix(server, "pictavo-demo-portal") ? std::string() : launcher->PortTaken());
}

std::string DemoPortalLauncher::PortTaken() const
{
    return Taken(g_strdup_printf(_("Another program is using port %u on this computer, so the demo portal cannot "
                                   "start there. Close that program, then start Pictavo again."),
                                 unsigned(port_)));
}

void OpenPortal(PortalView& view, std::unique_ptr<DemoPortalLauncher>& launcher)
{
    if (!StartsDemoPortal()) {
        view.Navigate(PortalHomeUrl());
        return;
    }
    launcher = std::make_unique<DemoPortalLauncher>(DemoPortalLauncher::InstalledProgram(), kDemoPortalPort);
    launcher->Start([&view](const std::string& problem) {
        if (problem.empty())
            view.Navigate(PortalHomeUrl());
        else
            view.ShowUnreachable(problem);
    });
}

} // namespace app
