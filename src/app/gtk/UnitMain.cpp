#include "app/gtk/UnitMain.h"

#include <glib/gi18n.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

#include "app/Endpoints.h"
#include "app/TrayHost.h"
#include "app/gtk/ClientInstance.h"
#include "app/gtk/DemoPortalLauncher.h"
#include "app/gtk/LoadingScheme.h"
#include "app/gtk/WallpaperFolder.h"
#include "config/uAppConfig.h"
#include "ui/gtk/Chrome.h"
#include "ui/gtk/UnitCfg.h"

namespace app::gtk {
namespace {

constexpr const char* kCaption = "Pictavo";

gboolean Quit(gpointer app)
{
    QuitClient(G_APPLICATION(app));
    return G_SOURCE_REMOVE;
}

// Runs fn on the main loop later, from any thread, without waiting for it.
void Later(std::function<void()> fn)
{
    using Fn = std::function<void()>;
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        +[](gpointer p) {
            (*static_cast<Fn*>(p))();
            return G_SOURCE_REMOVE;
        },
        std::make_unique<Fn>(std::move(fn)).release(), +[](gpointer p) { std::unique_ptr<Fn> {static_cast<Fn*>(p)}; });
}

} // namespace

TBrisvaneMainForm::TBrisvaneMainForm(GtkApplication* app)
    : App_(app), Notice_(G_APPLICATION(app)), Window_(gtk_application_window_new(app))
{
    ui::gtk::InstallStyle();
    GtkWindow* win = Window();
    gtk_window_set_title(win, kCaption);
    g_set_application_name(kCaption);
    ui::gtk::MakeBorderless(win);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_position(win, GTK_WIN_POS_CENTER);
    gtk_window_set_icon_name(win, "pictavo");
    if (const ui::gtk::GObjectPtr<GdkPixbuf> icon {gdk_pixbuf_new_from_resource(
            "/com/brisvane/Pictavo/icons/48x48/pictavo.png", nullptr)})
        gtk_window_set_icon(win, icon.get());
    gtk_style_context_add_class(gtk_widget_get_style_context(Window_.get()), "pictavo-form");
    gtk_widget_set_app_paintable(Window_.get(), TRUE);
    gtk_widget_add_events(Window_.get(), GDK_BUTTON_PRESS_MASK);
    g_signal_connect(Window_.get(), "draw", G_CALLBACK(+[](GtkWidget* w, cairo_t* cr, gpointer) {
                         ui::gtk::PaintChrome(w, cr, kCaption);
                         return FALSE;
                     }),
                     nullptr);
    // Only the title strip and the bottom strip reach the window itself: the
    // buttons and the portal area take their own presses.
    g_signal_connect(Window_.get(), "button-press-event", G_CALLBACK(ui::gtk::MoveOnLeftPress), nullptr);
    // A close request from outside (window manager, another program) ends the program.
    g_signal_connect(Window_.get(), "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                         static_cast<TBrisvaneMainForm*>(self)->Action_CloseExecute();
                         return TRUE;
                     }),
                     this);

    auto* fixed = GTK_FIXED(gtk_fixed_new());
    gtk_widget_set_size_request(GTK_WIDGET(fixed), 895, 600);
    gtk_container_add(GTK_CONTAINER(win), GTK_WIDGET(fixed));
    gtk_fixed_put(fixed, BtnCfg.Widget(), 828, 0);
    gtk_fixed_put(fixed, BtnMini.Widget(), 848, 0);
    gtk_fixed_put(fixed, BtnClose.Widget(), 868, 0);
    BtnCfg.SetAccessibleName(_("Settings"));
    BtnMini.SetAccessibleName(_("Minimise"));
    BtnClose.SetAccessibleName(_("Close"));
    BtnCfg.OnClick = [this] { Action_CfgExecute(); };
    BtnMini.OnClick = [this] { HideToTray(); };
    BtnClose.OnClick = [this] { HideToTray(); };

    // The view takes its own presses, so the window never moves from there.
    EmbeddedWB1 = std::make_unique<PortalView>(fixed, [this](const std::string& request) {
        Screen_->Refresh();
        FWorkThread->RequestDownload(request);
    });
    EmbeddedWB1->BeforeRetry = [this] { return !RestartDemoPortal(); };
    gtk_widget_show_all(GTK_WIDGET(fixed));
    // The buttons take the keyboard too, but the page is where typing goes first.
    gtk_widget_grab_focus(GTK_WIDGET(EmbeddedWB1->WebView()));

    // FormCreate
    BtnCfg.LoadSkin("btn_cfg");
    BtnMini.LoadSkin("btn_mini");
    BtnClose.LoadSkin("btn_close");

    Screen_ = std::make_unique<TScreenWatch>(Window_.get());
    auto env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = StatusPortSetting();
    // The worker's close comes from its own thread; the main loop carries it out.
    env.closeMainWindow = [app] { g_idle_add(Quit, app); };
    // The worker stops (its downloads first) before this form goes.
    env.pickFailed = [this](const engine::PickFailure& failure) { Notice_.ShowPickFailure(failure); };
    env.nothingToShow = [self = Self_] {
        Later([self] {
            if (*self)
                (*self)->NothingToShow();
        });
    };
    FWorkThread = engine::TWorkThread::Create(env);
    FWorkThread->SetActive(true);

    if (AppConfig->OneShotRun()) {
        ShowMainWindowAtStart_ = false;
        return;
    }
    // The indicator has no click of its own: its "Show" shows, never hides.
    TrayIcon1 = std::make_unique<TTrayIcon>(kCaption, TTrayIcon::Handlers {
                                                          [this] { ShowFromTray(); },
                                                          [this] { NextWallPaperClick(); },
                                                          [this] { OpenFolderClick(); },
                                                          [this] { Action_CfgExecute(); },
                                                          [this] { Action_CloseExecute(); },
                                                      });
    TrayIcon1->SetVisible(true);
    if (AppConfig->TrayOnlyRun())
        ShowMainWindowAtStart_ = false;
}

TBrisvaneMainForm::~TBrisvaneMainForm()
{
    *Self_ = nullptr;
    Shutdown();
    StopWorker();
    FWorkThread.reset();
}

void TBrisvaneMainForm::Shutdown()
{
    Closing_ = true;
    gtk_widget_hide(Window_.get());
    TrayIcon1.reset();
}

void TBrisvaneMainForm::StopWorker()
{
    // The page can no longer ask for downloads once the worker stops.
    DemoPortal_.reset();
    EmbeddedWB1.reset();
    // FormDestroy. A worker still inside a pass past the stop limit uses
    // AppConfig: end the process here rather than free what it uses.
    if (!FWorkThread->SetActive(false))
        std::_Exit(0);
}

void TBrisvaneMainForm::Start()
{
    if (!ShowMainWindowAtStart_)
        return;
    gtk_widget_show(Window_.get());
    gtk_window_present(Window());
    Shown_ = true;
    FormShow();
}

void TBrisvaneMainForm::ShowFromTray()
{
    if (Closing_)
        return;
    ShowMainWindowAtStart_ = true;
    gtk_widget_show(Window_.get());
    // Minimised by this program (no tray to hide to) or by the window
    // manager, which on Wayland never says so: restoring costs nothing when
    // the window is not minimised.
    gtk_window_deiconify(Window());
    gtk_window_present(Window());
    if (!Shown_) {
        Shown_ = true;
        FormShow();
    } else if (!RestartDemoPortal()) {
        // A failed load or a stopped web process left no portal to keep.
        EmbeddedWB1->ReturnToPortal();
    }
}

bool TBrisvaneMainForm::RestartDemoPortal()
{
    if (!DemoPortal_ || !DemoPortal_->PortalDied())
        return false;
    FormShow();
    return true;
}

void TBrisvaneMainForm::FormShow()
{
    // The loading page shows until the portal's home page replaces it.
    EmbeddedWB1->Navigate(LoadingPageUrl());
    OpenPortal(*EmbeddedWB1, DemoPortal_);
}

void TBrisvaneMainForm::HideToTray()
{
    if (Closing_)
        return;
    const bool trayShown = TrayIcon1 && TrayIcon1->Visible() && TrayIcon1->NotificationAreaPresent();
    if (DecideHideToTray(trayShown) == HideToTrayAction::Hide)
        gtk_widget_hide(Window_.get());
    else
        gtk_window_iconify(Window());
}

void TBrisvaneMainForm::Action_CfgExecute()
{
    if (!Closing_ && FormCfg_ && !FormCfg_->Visible())
        FormCfg_->ShowModal();
}

void TBrisvaneMainForm::NextWallPaperClick()
{
    if (Closing_)
        return;
    // The window may have moved to another monitor since the last reading.
    Screen_->Refresh();
    FWorkThread->NextWallPaper();
}

void TBrisvaneMainForm::NothingToShow()
{
    Notice_.Show("folder-empty", _("Next wallpaper"), _("The wallpaper folder has no pictures."));
}

void TBrisvaneMainForm::OpenFolderClick()
{
    if (Closing_)
        return;
    if (!OpenWallpaperFolder(AppConfig->WallPaperDir()))
        Notice_.Show("folder-unusable", _("Open the wallpaper folder"),
                     _("The wallpaper folder cannot be created. Choose another one in the settings."));
}

void TBrisvaneMainForm::Action_CloseExecute()
{
    QuitClient(G_APPLICATION(App_));
}

} // namespace app::gtk
