#pragma once
// The main window: a fixed-size borderless window with its own title strip
// (icon, caption, settings / minimise / close buttons), the portal area below
// it, the tray icon, and the worker that changes the wallpaper.
#include <gtk/gtk.h>

#include <memory>

#include "app/gtk/DemoPortalLauncher.h"
#include "app/gtk/PortalView.h"
#include "app/gtk/ScreenWatch.h"
#include "app/gtk/TrayIcon.h"
#include "app/gtk/UserNotice.h"
#include "engine/uWorkThread.h"
#include "ui/gtk/GtkPtr.h"
#include "ui/gtk/SkinBtn.h"

namespace ui::gtk {
class TFormCfg;
}

namespace app::gtk {

class TBrisvaneMainForm {
public:
    // Creates the window hidden, the worker (started) and, outside one-shot
    // runs, the tray icon.
    explicit TBrisvaneMainForm(GtkApplication* app);
    // Shutdown and StopWorker if the owner has not, then the window goes.
    ~TBrisvaneMainForm();
    TBrisvaneMainForm(const TBrisvaneMainForm&) = delete;
    TBrisvaneMainForm& operator=(const TBrisvaneMainForm&) = delete;

    GtkWindow* Window() const { return GTK_WINDOW(Window_.get()); }
    engine::TWorkThread& WorkThread() const { return *FWorkThread; }
    void SetFormCfg(ui::gtk::TFormCfg* form) { FormCfg_ = form; }
    // What the user is told away from the window (desktop notifications).
    const TUserNotice& Notice() const { return Notice_; }

    // The start of the main loop: an ordinary run shows the window now.
    void Start();
    // Shows the window and brings it forward, whatever state it is in.
    void ShowFromTray();
    void HideToTray();
    void Action_CfgExecute();
    // The tray's "Next wallpaper": one rotation step on the worker.
    void NextWallPaperClick();
    // The tray's "Open the wallpaper folder".
    void OpenFolderClick();
    // Ends the program: every close request arrives here.
    void Action_CloseExecute();

    // The program is ending: the window and the tray icon go out of sight
    // and nothing brings them back.
    void Shutdown();
    // Stops the worker (its download first), serving the main loop while it
    // waits; ends the process if the worker does not stop in time.
    void StopWorker();

    ui::gtk::TSkinBtn BtnCfg;
    ui::gtk::TSkinBtn BtnMini;
    ui::gtk::TSkinBtn BtnClose;

private:
    // The window's first showing: the portal view loads then.
    void FormShow();
    // A step asked for from the tray found the folder empty.
    void NothingToShow();
    // Starts the demo portal again when the one this client started has
    // ended, and shows it; false when there was nothing to start.
    bool RestartDemoPortal();

    GtkApplication* App_;
    TUserNotice Notice_;
    ui::gtk::TopLevelPtr Window_;
    std::unique_ptr<TScreenWatch> Screen_;   // read before the worker starts
    std::unique_ptr<PortalView> EmbeddedWB1; // goes before the window it sits in
    std::unique_ptr<DemoPortalLauncher> DemoPortal_; // the demo portal this client started, if any
    std::unique_ptr<TTrayIcon> TrayIcon1;
    std::shared_ptr<engine::TWorkThread> FWorkThread;
    ui::gtk::TFormCfg* FormCfg_ = nullptr;
    bool ShowMainWindowAtStart_ = true;
    bool Shown_ = false;     // FormShow has run
    bool Closing_ = false;
    // Cleared when the form goes: what the worker handed over then is dropped.
    std::shared_ptr<TBrisvaneMainForm*> Self_ = std::make_shared<TBrisvaneMainForm*>(this);
};

} // namespace app::gtk
