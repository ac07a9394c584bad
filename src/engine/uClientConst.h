#pragma once
// The status record the client sends to the companion service, and its port.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::uint16_t StatusPort = 17597;

// Wire layout: little-endian, no header; records follow each other directly.
namespace ClientStatusLayout {
inline constexpr std::size_t NextChangeTime = 0;   // signed 64-bit
inline constexpr std::size_t AutoUpdate = 8;       // 0 or 1
inline constexpr std::size_t AutoRun = 9;          // 0 or 1
inline constexpr std::size_t ConfigDir = 10;       // 260 UTF-16LE units
inline constexpr std::size_t ClientVersion = 530;  // 260 UTF-16LE units
inline constexpr std::size_t TextUnits = 260;
inline constexpr std::size_t Size = 1056;          // 1050 rounded up to 8
static_assert(ConfigDir + 2 * TextUnits == ClientVersion);
static_assert(ClientVersion + 2 * TextUnits + 6 == Size && Size % 8 == 0);
} // namespace ClientStatusLayout

struct ClientStatus {
    std::int64_t NextChangeTime = 0;   // a LocalUnixTime
    bool AutoUpdate = false;
    bool AutoRun = false;
    std::string ConfigDir;             // UTF-8 here, UTF-16 on the wire
    std::string ClientVersion;
};

using ClientStatusRecord = std::array<std::uint8_t, ClientStatusLayout::Size>;

// A text of 260 UTF-16 units or more goes out empty; unused bytes are zero.
ClientStatusRecord EncodeClientStatus(const ClientStatus& status);
// Reads a received record. Any non-zero flag byte counts as true; a text runs
// to its first NUL or to the end of its field.
ClientStatus DecodeClientStatus(const ClientStatusRecord& record);
