// Plays the client for the stand-in service: sends one status record to the
// port named by PICTAVO_STATUS_PORT (or the real one), retrying for a while.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/StatusLink.h"

int main()
{
    std::uint16_t port = StatusPort;
    if (const char* p = std::getenv("PICTAVO_STATUS_PORT"))
        port = static_cast<std::uint16_t>(std::atoi(p));
    TStatusLink link(port, std::chrono::milliseconds(10));
    for (int i = 0; i < 300 && !link.Connected(); ++i) {
        link.SendStatus(1700000000, true, false, "/home/u1/.config/Brisvane/");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return link.Connected() ? 0 : 1;
}
