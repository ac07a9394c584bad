#pragma once
// The demo portal of an installed client. The client binds the portal's port
// itself and hands the listening socket to the pictavo-demo-portal installed
// beside it, so the page can load at once, and two clients can never both
// start one; when the port is taken by a program of the same user, it asks
// who answers there. A portal it started ends with it (and with it if it is
// killed).
#include <gio/gio.h>
#include <libsoup/soup.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/gtk/PortalView.h"
#include "platform/linux/GLibPtr.h"

namespace app {

class DemoPortalLauncher {
public:
    // Empty when a demo portal answers on the port (or will as soon as it
    // has started: the port already takes connections); otherwise what the
    // unreachable page tells the user.
    using Ready = std::function<void(const std::string& problem)>;

    // program: the demo portal to start; port: where it answers on 127.0.0.1.
    DemoPortalLauncher(std::string program, std::uint16_t port);
    // Ends the portal this one started and waits for it (a few seconds at
    // most); a question still in flight is dropped and Ready never runs.
    ~DemoPortalLauncher();
    DemoPortalLauncher(const DemoPortalLauncher&) = delete;
    DemoPortalLauncher& operator=(const DemoPortalLauncher&) = delete;

    // Calls ready once, on the main loop: at once, or when the program
    // found on a taken port has answered.
    void Start(Ready ready);

    // Whether this one started the portal that answers.
    bool StartedOne() const { return child_ > 0; }
    pid_t Portal() const { return child_; }
    // Whether the portal this one started has ended by itself (and was
    // reaped): a new launcher may start it again.
    bool PortalDied() const { return died_; }

    // The pictavo-demo-portal beside this program.
    static std::string InstalledProgram();

private:
    void Launch(GSocket* listening);
    void AskWhoAnswers();
    static void Answered(GObject* session, GAsyncResult* result, gpointer self);
    static void ChildEnded(GPid pid, gint status, gpointer self);
    std::string PortTaken() const;

    std::string program_;
    std::uint16_t port_;
    Ready ready_;
    pid_t child_ = 0;
    guint childWatch_ = 0;
    bool died_ = false;
    platform::linuxdesk::GObjectPtr<GCancellable> cancel_ {g_cancellable_new()};
    platform::linuxdesk::GObjectPtr<SoupSession> session_;
};

// Loads the portal's home page into view. When that is the demo portal's by
// the build's default (never when the user named a portal), first sees that
// the demo portal answers, with launcher holding the one it starts; what
// went wrong instead shows on the unreachable page.
void OpenPortal(PortalView& view, std::unique_ptr<DemoPortalLauncher>& launcher);

} // namespace app
