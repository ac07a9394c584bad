// Stand-in companion service: listens for the client's status link, prints
// every record it receives on one line, and can start the client as its child.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "ParseNumber.h"
#include "engine/uClientConst.h"
#include "platform/ChildProcess.h"
#include "platform/ServiceMarker.h"
#include "platform/TcpSocket.h"

using tools::ParseNumber;

namespace {

struct Options {
    std::uint16_t port = StatusPort;
    bool holdMarker = false;
    std::string launch;
    long count = 0; // 0: run until killed
};

void Usage()
{
    std::fputs("usage: BrisvaneService [--port N] [--hold-marker] [--launch PROGRAM] [--count N]\n", stderr);
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        long n = 0;
        if (a == "--hold-marker")
            o.holdMarker = true;
        else if (a == "--port" && hasValue && ParseNumber(argv[++i], 1, 65535, n))
            o.port = static_cast<std::uint16_t>(n);
        else if (a == "--count" && hasValue && ParseNumber(argv[++i], 1, 1000000000L, n))
            o.count = n;
        else if (a == "--launch" && hasValue)
            o.launch = argv[++i];
        else
            return false;
    }
    return true;
}

// The time is local wall clock counted as UTC, so it is shown as UTC would be
// (days to a civil date, valid for every 64-bit value, unlike gmtime on Windows).
std::string FormatLocalUnixTime(std::int64_t t)
{
    std::int64_t days = t / 86400;
    std::int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04" PRId64 "-%02" PRId64 "-%02" PRId64 " %02" PRId64 ":%02" PRId64 ":%02" PRId64,
                  year, month, day, secs / 3600, secs / 60 % 60, secs % 60);
    return buf;
}

// Texts come off the network: control characters must not break the line.
std::string Printable(const std::string& s)
{
    std::string out;
    for (const char c : s)
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    return out;
}

void PrintStatus(const ClientStatus& s)
{
    std::printf("NextChangeTime=%s (%" PRId64 ") AutoUpdate=%d AutoRun=%d ConfigDir=\"%s\" ClientVersion=\"%s\"\n",
                FormatLocalUnixTime(s.NextChangeTime).c_str(), s.NextChangeTime, s.AutoUpdate ? 1 : 0,
                s.AutoRun ? 1 : 0, Printable(s.ConfigDir).c_str(), Printable(s.ClientVersion).c_str());
    std::fflush(stdout);
}

// Prints the records of one connection; answers how many there were.
long ServeConnection(platform::TcpConnection& connection, long wanted)
{
    long printed = 0;
    ClientStatusRecord record{};
    std::size_t have = 0;
    while (wanted == 0 || printed < wanted) {
        const std::size_t n = connection.Receive(record.data() + have, record.size() - have);
        if (n == 0)
            break;
        have += n;
        if (have == record.size()) {
            PrintStatus(DecodeClientStatus(record));
            ++printed;
            have = 0;
        }
    }
    if (have != 0)
        std::fprintf(stderr, "connection ended inside a record (%lu bytes dropped)\n", static_cast<unsigned long>(have));
    return printed;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    platform::TcpListener listener(options.port);
    if (!listener.Listening()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", static_cast<unsigned>(options.port));
        return 1;
    }
    std::optional<platform::ServiceMarkerHold> marker;
    if (options.holdMarker) {
        marker.emplace();
        if (!marker->Held())
            std::fputs("could not hold the service marker\n", stderr);
    }
    std::printf("Listening on 127.0.0.1:%u\n", static_cast<unsigned>(listener.Port()));
    std::fflush(stdout);

    std::unique_ptr<platform::ChildProcess> child;
    if (!options.launch.empty()) {
        child = platform::ChildProcess::Launch(options.launch);
        if (!child)
            std::fprintf(stderr, "cannot start %s\n", options.launch.c_str());
    }

    long received = 0;
    while (options.count == 0 || received < options.count) {
        if (child)
            child->Running(); // reaps an ended client
        auto connection = listener.Accept(200);
        if (connection)
            received += ServeConnection(*connection, options.count == 0 ? 0 : options.count - received);
    }
    return 0;
}
