// CPU used by the resident worker while nothing is due: the process's CPU
// time over a window, with the companion service listening or absent.
//   worker_idle baseline|present|absent [--seconds N] [--port P]
// baseline: the same process without a worker. present: an in-process
// listener that only blocks in accept/read, or with --port an outside
// service (tools/BrisvaneService). absent: nothing listens on the port.
// Prints one line of key=value pairs; bench/worker_idle.sh runs them all.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "config/uAppConfig.h"
#include "engine/LocalTime.h"
#include "engine/uClientConst.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/MainThread.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Usage {
    double cpuMs = 0;
    long voluntarySwitches = 0;
    long forcedSwitches = 0;
};

Usage ProcessUsage()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    return {ms(u.ru_utime) + ms(u.ru_stime), u.ru_nvcsw, u.ru_nivcsw};
}

// A service that accepts and reads records and does nothing else; it counts
// connections so reconnects show.
class CountingService {
public:
    CountingService() : thread_([this] { Run(); }) {}
    ~CountingService()
    {
        stop_ = true;
        platform::TcpClient poke; // unblocks the accept
        poke.Connect(listener_.Port());
        thread_.join();
    }
    std::uint16_t Port() const { return listener_.Port(); }
    int Accepts() const { return accepts_.load(); }
    long Records() const { return static_cast<long>(bytes_.load() / static_cast<long long>(ClientStatusLayout::Size)); }

private:
    void Run()
    {
        while (!stop_) {
            auto connection = listener_.Accept(-1);
            if (!connection || stop_)
                continue;
            ++accepts_;
            char buffer[4096];
            while (std::size_t n = connection->Receive(buffer, sizeof buffer, -1))
                bytes_ += n;
        }
    }

    platform::TcpListener listener_;
    std::atomic<bool> stop_ {false};
    std::atomic<int> accepts_ {0};
    std::atomic<long long> bytes_ {0};
    std::thread thread_;
};

struct Options {
    std::string scenario;
    double seconds = 30;
    int externalPort = 0;
};

bool Parse(int argc, char** argv, Options& o)
{
    if (argc < 2)
        return false;
    o.scenario = argv[1];
    if (o.scenario != "baseline" && o.scenario != "present" && o.scenario != "absent")
        return false;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            o.seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--port") == 0)
            o.externalPort = std::atoi(argv[i + 1]);
        else
            return false;
    }
    return (argc % 2) == 0 && o.seconds > 0 && o.externalPort >= 0 && o.externalPort < 65536;
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!Parse(argc, argv, opt)) {
        std::fprintf(stderr, "usage: worker_idle baseline|present|absent [--seconds N] [--port P]\n");
        return 2;
    }
    platform::MarkMainThread();
    platform::StartDispatcher();

    testing_support::TempDir dir;
    AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
    AppConfig->LoadFromDir(dir.path() + "cfg");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        dir.Write(std::string("cfg") + platform::PathDelim + "WallPaper" + platform::PathDelim + name,
                  testing_support::MakeFlatJpeg(320, 180, {90, 120, 160}));
    AppConfig->SetChangeTime(60);

    std::unique_ptr<CountingService> service;
    std::uint16_t port = testing_support::UnusedPort();
    if (opt.scenario == "present") {
        if (opt.externalPort != 0) {
            port = static_cast<std::uint16_t>(opt.externalPort);
        } else {
            service = std::make_unique<CountingService>();
            port = service->Port();
        }
    }

    std::atomic<long> clockReads {0};
    std::atomic<int> applied {0};
    std::shared_ptr<engine::TWorkThread> worker;
    if (opt.scenario != "baseline") {
        engine::TWorkThreadEnvironment env = engine::TWorkThreadEnvironment::Default();
        env.statusPort = port;
        env.now = [&] {
            ++clockReads;
            return LocalUnixTime();
        };
        env.screen = [] { return platform::ScreenSize {1920, 1080}; };
        env.applyWallPaper = [&](const std::string&, std::uint8_t) {
            ++applied;
            return true;
        };
        worker = engine::TWorkThread::Create(env);
        worker->SetActive(true);
        // The first pass rotates (no change stored yet) and reports; the
        // window starts once that is over.
        platform::MainThreadWait([&] { return applied.load() > 0 && (!service || service->Records() > 0); }, 5000);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const long readsBefore = clockReads.load();
    const int acceptsBefore = service ? service->Accepts() : 0;
    const Usage before = ProcessUsage();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(opt.seconds));
    const Usage after = ProcessUsage();
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const long reads = clockReads.load() - readsBefore;
    const int accepts = service ? service->Accepts() - acceptsBefore : -1;
    const long records = service ? service->Records() : -1;

    if (worker)
        worker->SetActive(false);
    worker.reset();
    service.reset();
    AppConfig.reset();

    const double cpuMs = after.cpuMs - before.cpuMs;
    std::printf("scenario=%s%s window_s=%.1f cpu_ms=%.2f core_pct=%.4f passes=%ld ctx_switches=%ld "
                "accepts=%d records=%ld applied=%d\n",
                opt.scenario.c_str(), opt.externalPort ? "-external" : "", wallMs / 1e3, cpuMs,
                100.0 * cpuMs / wallMs, reads,
                (after.voluntarySwitches - before.voluntarySwitches) + (after.forcedSwitches - before.forcedSwitches),
                accepts, records, applied.load());
    return 0;
}
