#include "engine/StatusLink.h"

#include <utility>

#include "config/VerInfo.h"
#include "platform/FileSystem.h"

TStatusLink::TStatusLink(std::uint16_t port, std::chrono::milliseconds minConnectInterval,
                         std::function<Clock::time_point()> now)
    : Port_(port), MinConnectInterval_(minConnectInterval), Now_(std::move(now))
{
}

void TStatusLink::TryConnect()
{
    const Clock::time_point now = Now_();
    // The worker calls about every millisecond; without a pause an absent
    // service would get a connection attempt on every pass.
    if (LastFailedConnect_ && now - *LastFailedConnect_ < MinConnectInterval_)
        return;
    if (Socket_.Connect(Port_))
        LastFailedConnect_.reset();
    else
        LastFailedConnect_ = now;
}

void TStatusLink::SendStatus(std::int64_t nextChangeTime, bool autoUpdate, bool autoRun, const std::string& configDir)
{
    if (!Socket_.Connected())
        TryConnect();
    if (!Socket_.Connected())
        return;
    ClientStatus status;
    status.NextChangeTime = nextChangeTime;
    status.AutoUpdate = autoUpdate;
    status.AutoRun = autoRun;
    status.ConfigDir = configDir;
    status.ClientVersion = GetFileVersionString(platform::OwnExecutablePath());
    const ClientStatusRecord record = EncodeClientStatus(status);
    Socket_.SendAll(record.data(), record.size()); // a failure has closed the socket
}
