#include "platform/linux/PortOwners.h"

#include <arpa/inet.h>

#include <array>
#include <optional>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace platform::linuxdesk {

namespace {

constexpr const char* kListenState = "0A";

// The kernel writes each 32-bit word of an address as the hex of its value in
// memory, so comparing with network-order words works on any byte order.
bool ParseWords(const std::string& hex, std::uint32_t* words, std::size_t count)
{
    if (hex.size() != count * 8)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        char* end = nullptr;
        const std::string part = hex.substr(i * 8, 8);
        words[i] = std::uint32_t(std::strtoul(part.c_str(), &end, 16));
        if (*end)
            return false;
    }
    return true;
}

bool TakesLoopbackV4(const std::string& hex)
{
    std::uint32_t a = 0;
    return ParseWords(hex, &a, 1) && (a == htonl(INADDR_LOOPBACK) || a == htonl(INADDR_ANY));
}

bool TakesLoopbackV6(const std::string& hex)
{
    std::array<std::uint32_t, 4> a {};
    if (!ParseWords(hex, a.data(), a.size()) || a[0] != 0 || a[1] != 0)
        return false;
    const bool any = a[2] == 0 && a[3] == 0;
    const bool mappedLoopback = a[2] == htonl(0xFFFF) && a[3] == htonl(INADDR_LOOPBACK);
    return any || mappedLoopback;
}

bool Collect(const char* table, bool v6, std::uint16_t port, std::vector<uid_t>& owners)
{
    std::ifstream in(table);
    if (!in)
        return false;
    std::string line;
    std::getline(in, line); // the column titles
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits;
        long uid = -1;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid))
            continue;
        const auto colon = local.find(':');
        if (state != kListenState || colon == std::string::npos)
            continue;
        if (std::strtoul(local.c_str() + colon + 1, nullptr, 16) != port)
            continue;
        const std::string address = local.substr(0, colon);
        if (v6 ? TakesLoopbackV6(address) : TakesLoopbackV4(address))
            owners.push_back(uid_t(uid));
    }
    return true;
}

} // namespace

std::optional<std::vector<uid_t>> LoopbackListenerOwners(std::uint16_t port)
{
    std::vector<uid_t> owners;
    // A kernel without IPv6 has no second table.
    if (!Collect("/proc/net/tcp", false, port, owners))
        return std::nullopt;
    Collect("/proc/net/tcp6", true, port, owners);
    return owners;
}

} // namespace platform::linuxdesk
