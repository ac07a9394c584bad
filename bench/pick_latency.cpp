// Latency of a portal pick: RequestDownload of a 7680 x 4320 photo-like JPEG
// served from 127.0.0.1 until the wallpaper is handed to the desktop, on a
// 1920 x 1080 screen, with its split into download, fit and apply.
//   pick_latency [--runs N] [--desktop]
// --desktop hands the fitted picture to the real desktop (needs a session);
// otherwise the apply step is a recording stand-in.
// The split is read through the worker's environment: the screen is asked
// for on the download thread right after the transfer (DownloadDone), and
// the apply call marks the end of fitting. Then the same parts are timed
// directly, one call each, for comparison.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/uAppConfig.h"
#include "engine/PictureFit.h"
#include "engine/WallpaperApply.h"
#include "engine/uWorkThread.h"
#include "platform/Dispatcher.h"
#include "platform/HttpDownload.h"
#include "platform/MainThread.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 7680, kHeight = 4320;
constexpr platform::ScreenSize kScreen {1920, 1080};

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double Ms(std::int64_t fromNs, std::int64_t toNs)
{
    return static_cast<double>(toNs - fromNs) / 1e6;
}

// Smooth light and colour, some mid-frequency structure and a little grain:
// a JPEG about as large as a camera's, unlike a flat test picture.
std::string PhotoLikeJpeg()
{
    std::vector<float> colX(kWidth), colY(kHeight), fineX(kWidth), fineY(kHeight);
    for (int x = 0; x < kWidth; ++x) {
        colX[static_cast<std::size_t>(x)] = std::sin(static_cast<float>(x) * 0.0011f);
        fineX[static_cast<std::size_t>(x)] = std::sin(static_cast<float>(x) * 0.037f);
    }
    for (int y = 0; y < kHeight; ++y) {
        colY[static_cast<std::size_t>(y)] = std::cos(static_cast<float>(y) * 0.0017f);
        fineY[static_cast<std::size_t>(y)] = std::sin(static_cast<float>(y) * 0.029f);
    }
    const auto clamp = [](float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f)); };
    return testing_support::MakeJpeg(kWidth, kHeight, [&](int x, int y) {
        const auto ux = static_cast<std::size_t>(x), uy = static_cast<std::size_t>(y);
        std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        const float grain = static_cast<float>((h >> 24) & 15u) - 7.5f;
        const float light = 120.0f + 70.0f * colX[ux] * colY[uy] + 25.0f * fineX[ux] * fineY[uy];
        return testing_support::Rgb {clamp(light + 30.0f * colY[uy] + grain), clamp(light + grain),
                                     clamp(light - 40.0f * colX[ux] + grain)};
    });
}

struct Split {
    double download = 0, fit = 0, apply = 0, total = 0;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void PrintSummary(const char* what, const std::vector<double>& v)
{
    std::printf("  %-22s median %8.1f ms   min %8.1f ms   max %8.1f ms\n", what, Median(v),
                *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    bool desktop = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--desktop") == 0)
            desktop = true;
        else {
            std::fprintf(stderr, "usage: pick_latency [--runs N] [--desktop]\n");
            return 2;
        }
    }
    platform::MarkMainThread();
    platform::StartDispatcher();

    testing_support::TempDir dir;
    AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
    AppConfig->LoadFromDir(dir.path() + "cfg");

    const std::int64_t makeStart = NowNs();
    const std::string body = PhotoLikeJpeg();
    std::printf("picture %dx%d, %.1f MB, made in %.0f ms; screen %dx%d; %d runs\n", kWidth, kHeight,
                static_cast<double>(body.size()) / 1e6, Ms(makeStart, NowNs()), kScreen.width, kScreen.height, runs);

    testing_support::TestHttpServer http;
    // A fresh name per run: each pick is a new file, as in real use.
    const auto path = [](int run) { return "/pic/photo" + std::to_string(run) + ".jpg"; };
    for (int run = 0; run < runs; ++run)
        http.Serve(path(run), testing_support::TestResponse::Make(200, body));

    // The service is present (the kernel accepts; nobody reads): the
    // worker's status sends cost nothing measurable.
    const platform::TcpListener service;
    std::atomic<std::int64_t> fitStart {0}, applyStart {0}, applyEnd {0};
    engine::TWorkThreadEnvironment env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = service.Port();
    env.screen = [&] {
        if (!platform::IsMainThread() && fitStart.load() == 0)
            fitStart = NowNs();
        return kScreen;
    };
    env.applyWallPaper = [&](const std::string& file, std::uint8_t style) {
        applyStart = NowNs();
        const bool ok = desktop ? engine::ApplyWallPaper(file, style) : true;
        applyEnd = NowNs();
        platform::WakeMainThread();
        return ok;
    };
    auto worker = engine::TWorkThread::Create(env);
    worker->SetActive(true);

    std::vector<Split> splits;
    for (int run = 0; run < runs; ++run) {
        fitStart = 0, applyStart = 0, applyEnd = 0;
        // The variant list never fits the screen, so the URL before "?" (with
        // the server's port) is the one fetched.
        const std::string request = http.Url(path(run)) + "?v=pic/x,800,600.jpg";
        const std::int64_t start = NowNs();
        worker->RequestDownload(request);
        if (!platform::MainThreadWait([&] { return applyEnd.load() != 0; }, 120000)) {
            std::fprintf(stderr, "run %d: the wallpaper was not applied within 120 s\n", run);
            return 1;
        }
        splits.push_back({Ms(start, fitStart), Ms(fitStart, applyStart), Ms(applyStart, applyEnd), Ms(start, applyEnd)});
        std::printf("run %d: total %7.1f ms = download %7.1f + fit %7.1f + apply %5.1f\n", run, splits.back().total,
                    splits.back().download, splits.back().fit, splits.back().apply);
    }
    worker->SetActive(false);
    worker.reset();

    // The parts on their own, on this thread.
    std::vector<double> directDownload, directFit;
    const std::string file = dir.path() + "direct.jpg";
    const std::string cache = dir.path() + "direct-fitted";
    for (int run = 0; run < runs; ++run) {
        std::int64_t t = NowNs();
        const std::int32_t code = platform::DownloadUrlToFile(http.Url(path(run)), file, {});
        directDownload.push_back(Ms(t, NowNs()));
        if (code != platform::download::kOk) {
            std::fprintf(stderr, "direct download failed: %08X\n", static_cast<unsigned>(code));
            return 1;
        }
        t = NowNs();
        const FitResult fit = FitToScreenWidth(file, kScreen.width, cache);
        directFit.push_back(Ms(t, NowNs()));
        if (!fit.fitted) {
            std::fprintf(stderr, "the picture was not fitted\n");
            return 1;
        }
    }

    std::vector<double> total, download, fit, apply;
    for (const Split& s : splits) {
        total.push_back(s.total);
        download.push_back(s.download);
        fit.push_back(s.fit);
        apply.push_back(s.apply);
    }
    std::printf("pick -> wallpaper applied (%s apply):\n", desktop ? "desktop" : "stand-in");
    PrintSummary("total", total);
    PrintSummary("download", download);
    PrintSummary("fit", fit);
    PrintSummary("apply", apply);
    std::printf("parts timed directly:\n");
    PrintSummary("DownloadUrlToFile", directDownload);
    PrintSummary("FitToScreenWidth", directFit);
    AppConfig.reset();
    return 0;
}
