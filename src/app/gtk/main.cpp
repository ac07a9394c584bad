// The Linux edition's entry. One interactive client per session: a second
// start hands over to the running one (which shows its window) and ends; one
// made while the client is closing waits for it to end and becomes the next. A
// one-shot run of the companion service is not counted and shows nothing.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <memory>

#include "app/gtk/ClientInstance.h"
#include "app/gtk/UnitMain.h"
#include "config/uAppConfig.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"
#include "ui/gtk/Autostart.h"
#include "ui/gtk/GtkPtr.h"
#include "ui/gtk/Language.h"
#include "ui/gtk/UnitCfg.h"

namespace {

struct Forms {
    std::unique_ptr<app::gtk::TBrisvaneMainForm> main;
    std::unique_ptr<ui::gtk::TFormCfg> cfg;
    int activations = 0;
};

void Startup(GtkApplication* app, Forms* forms)
{
    // Started while the last client was closing: it must be gone first.
    app::gtk::WaitForClosingClient(G_APPLICATION(app));
    forms->main = std::make_unique<app::gtk::TBrisvaneMainForm>(app);
    auto* main = forms->main.get();
    forms->cfg = std::make_unique<ui::gtk::TFormCfg>(main->Window(), [main] { main->WorkThread().SendStatus(); });
    gtk_window_set_application(forms->cfg->Window(), app);
    main->SetFormCfg(forms->cfg.get());
    // The setting starts ticked, so the first start makes the entry; later
    // ones follow what the desktop made of it.
    if (!AppConfig->OneShotRun())
        ui::gtk::StartAutostart(*AppConfig, forms->cfg->AutostartProgram);
}

// The first activation is this process's own start; later ones come from
// second starts.
void Activate(GtkApplication*, Forms* forms)
{
    if (++forms->activations == 1)
        forms->main->Start();
    else
        forms->main->ShowFromTray();
}

gboolean Quit(gpointer app)
{
    app::gtk::QuitClient(G_APPLICATION(app));
    return G_SOURCE_CONTINUE;
}

} // namespace

int main()
{
    platform::MarkMainThread();
    ui::gtk::SetUpLanguage();
    AppConfig = std::make_unique<TAppConfig>();
    AppConfig->Load();
    platform::StartDispatcher();

    {
        const ui::gtk::GObjectPtr<GtkApplication> app(gtk_application_new(
            "com.brisvane.Pictavo", AppConfig->OneShotRun() ? G_APPLICATION_NON_UNIQUE : G_APPLICATION_DEFAULT_FLAGS));
        GApplication* gapp = G_APPLICATION(app.get());
        Forms forms;
        g_signal_connect(app.get(), "startup", G_CALLBACK(Startup), &forms);
        g_signal_connect(app.get(), "activate", G_CALLBACK(Activate), &forms);
        // Without a session bus the name cannot be held: run as the first
        // instance anyway.
        if (!g_application_register(gapp, nullptr, nullptr)) {
            g_application_set_flags(gapp, G_APPLICATION_NON_UNIQUE);
            g_application_register(gapp, nullptr, nullptr);
        }
        const guint sigint = g_unix_signal_add(SIGINT, Quit, app.get());
        const guint sigterm = g_unix_signal_add(SIGTERM, Quit, app.get());
        g_application_run(gapp, 0, nullptr);
        g_source_remove(sigint);
        g_source_remove(sigterm);
        app::gtk::LeaveClientName(gapp);

        // Stopping the worker waits for its pass and serves the main loop
        // meanwhile: nothing may be left on screen to click, and the main
        // window must no longer reach the dialog, which goes first.
        if (forms.main) {
            forms.main->Shutdown();
            if (forms.cfg)
                forms.cfg->Close();
            forms.main->SetFormCfg(nullptr);
            forms.main->StopWorker();
        }
        forms.cfg.reset();
        forms.main.reset();
    }
    AppConfig.reset();
    return 0;
}
