// Hostile portal requests cost no more than good ones: every request of each
// table goes through the URL splitter, the image choice on a few screens and
// the download name. Prints the time of each request and of each table;
// fails when a table takes more than a second.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "engine/ImageChoice.h"
#include "engine/Url.h"
#include "support/HostileRequests.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::NamedRequest;

volatile std::size_t g_sink = 0; // keeps the work from being optimised away

void RunOne(const std::string& request)
{
    engine::TUrl url;
    url.SetUrl(request);
    std::size_t n = url.Host.size() + url.Document.size();
    for (const auto& screen : testing_support::RequestScreens()) {
        const std::string chosen = engine::ChooseImageUrl(request, screen.width, screen.height);
        n += chosen.size();
        if (const auto dest = engine::DownloadDestination("/srv/wall/", chosen))
            n += dest->size();
    }
    if (const auto dest = engine::DownloadDestination("/srv/wall/", request))
        n += dest->size();
    g_sink = g_sink + n;
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double RunTable(const char* title, const std::vector<NamedRequest>& table)
{
    std::printf("%s (%zu requests)\n", title, table.size());
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    for (const NamedRequest& r : table) {
        const auto t0 = Clock::now();
        RunOne(r.text);
        std::printf("  %9.3f ms  %-32s %9zu bytes\n", Milliseconds(Clock::now() - t0), r.name.c_str(), r.text.size());
    }
    const double total = Milliseconds(Clock::now() - start);
    const double cpu = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    // On a busy machine the wall time grows; the processor time says what the work cost.
    std::printf("  %9.3f ms  whole table (%.3f ms of processor time)\n", total, cpu);
    return total;
}

} // namespace

int main()
{
    // Building the tables (megabytes of text) is not part of the measurement.
    const std::vector<NamedRequest> hostile = testing_support::HostileRequests();
    const std::vector<NamedRequest> good = testing_support::GoodRequests();
    const double goodMs = RunTable("Good requests", good);
    const double hostileMs = RunTable("Hostile requests", hostile);
    std::printf("hostile/good: %.1f ms / %.3f ms\n", hostileMs, goodMs);
    const double limitMs = 1000;
    if (hostileMs > limitMs || goodMs > limitMs) {
        std::printf("FAIL: a table took more than %.0f ms\n", limitMs);
        return 1;
    }
    return 0;
}
