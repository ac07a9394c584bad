// The Linux edition's entry: the configuration, the worker and the main loop.
// The worker rotates the wallpaper and reports to the companion service until
// the loop ends (a one-shot run's close, or SIGINT/SIGTERM).
#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <memory>

#include "app/Endpoints.h"
#include "config/uAppConfig.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"

namespace {

struct MainLoopUnref {
    void operator()(GMainLoop* loop) const noexcept { g_main_loop_unref(loop); }
};

gboolean QuitLoop(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

} // namespace

int main()
{
    platform::MarkMainThread();
    AppConfig = std::make_unique<TAppConfig>();
    AppConfig->Load();
    platform::StartDispatcher();

    const std::unique_ptr<GMainLoop, MainLoopUnref> loop(g_main_loop_new(nullptr, FALSE));
    g_unix_signal_add(SIGINT, QuitLoop, loop.get());
    g_unix_signal_add(SIGTERM, QuitLoop, loop.get());

    auto env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = app::StatusPortSetting();
    // The worker's "close the main window": g_main_loop_quit may be called from any thread.
    env.closeMainWindow = [l = loop.get()] { g_main_loop_quit(l); };
    auto worker = engine::TWorkThread::Create(env);
    worker->SetActive(true);
    g_main_loop_run(loop.get());

    worker->SetActive(false);
    worker.reset();
    AppConfig.reset();
    return 0;
}
