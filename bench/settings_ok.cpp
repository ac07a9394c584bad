// How long the settings dialog's OK keeps the interface waiting while the
// worker's pass is inside a desktop setter that takes 5 s.
//   settings_ok [--runs N]      (needs a display: run it under xvfb-run)
// A wallpaper change is due at start, so the worker's first pass enters the
// setter at once; then OK is pressed N times (the dialog shown again between
// presses), each timed from the click to its return, all within the 5 s.
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/uAppConfig.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/MainThread.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"
#include "ui/gtk/UnitCfg.h"

int main(int argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "settings_ok: no display\n");
        return 2;
    }
    platform::MarkMainThread();
    platform::StartDispatcher();

    const testing_support::TempDir dir;
    setenv("XDG_CONFIG_HOME", (dir.path() + "xdg").c_str(), 1);
    dir.Write("cfg/Config.ini", "[Config]\nChangeTime=1\nLastChangeTime=1\n");
    dir.Write("cfg/WallPaper/a.jpg", testing_support::MakeFlatJpeg(64, 48, {10, 90, 160}));
    AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
    AppConfig->LoadFromDir(dir.path() + "cfg");

    platform::TcpListener service;
    std::atomic<bool> inside {false};
    auto env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = service.Port();
    env.screen = [] { return platform::ScreenSize {1920, 1080}; };
    env.applyWallPaper = [&](const std::string&, std::uint8_t) {
        inside = true;
        std::this_thread::sleep_for(std::chrono::seconds(5));
        return true;
    };
    env.debugOutput = [](const std::string&) {};
    auto worker = engine::TWorkThread::Create(env);
    worker->SetActive(true);
    platform::MainThreadWait([&] { return inside.load(); }, 5000);

    ui::gtk::TFormCfg form(nullptr, [&] { worker->SendStatus(); });
    form.AutostartProgram = dir.path() + "pictavo";
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        form.ShowModal();
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(form.CheckBox2), i % 2 == 0);
        const auto start = std::chrono::steady_clock::now();
        gtk_button_clicked(GTK_BUTTON(form.Button3));
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("OK while the pass is in a 5 s setter, each press in ms:");
    for (const double m : ms)
        std::printf(" %.2f", m);
    std::sort(ms.begin(), ms.end());
    std::printf("\nmedian %.2f ms, max %.2f ms\n", ms[ms.size() / 2], ms.back());
    worker->SetActive(false);
    worker.reset();
    AppConfig.reset();
    return 0;
}
