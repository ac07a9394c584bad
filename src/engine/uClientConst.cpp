#include "engine/uClientConst.h"

#include "util/TextUtil.h"

namespace L = ClientStatusLayout;

namespace {

void PutText(ClientStatusRecord& out, std::size_t at, const std::string& utf8)
{
    const std::u16string units = text::Utf8ToUtf16(utf8);
    if (units.size() >= L::TextUnits)
        return; // the field stays an empty string
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[at + 2 * i] = static_cast<std::uint8_t>(units[i]);
        out[at + 2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
}

std::string GetText(const ClientStatusRecord& in, std::size_t at)
{
    std::u16string units;
    for (std::size_t i = 0; i < L::TextUnits; ++i) {
        const auto u = static_cast<char16_t>(in[at + 2 * i] | (in[at + 2 * i + 1] << 8));
        if (u == 0)
            break;
        units.push_back(u);
    }
    return text::Utf16ToUtf8(units);
}

} // namespace

ClientStatusRecord EncodeClientStatus(const ClientStatus& status)
{
    ClientStatusRecord out{};
    const auto time = static_cast<std::uint64_t>(status.NextChangeTime);
    for (std::size_t i = 0; i < 8; ++i)
        out[L::NextChangeTime + i] = static_cast<std::uint8_t>(time >> (8 * i));
    out[L::AutoUpdate] = status.AutoUpdate ? 1 : 0;
    out[L::AutoRun] = status.AutoRun ? 1 : 0;
    PutText(out, L::ConfigDir, status.ConfigDir);
    PutText(out, L::ClientVersion, status.ClientVersion);
    return out;
}

ClientStatus DecodeClientStatus(const ClientStatusRecord& record)
{
    ClientStatus status;
    std::uint64_t time = 0;
    for (std::size_t i = 0; i < 8; ++i)
        time |= static_cast<std::uint64_t>(record[L::NextChangeTime + i]) << (8 * i);
    status.NextChangeTime = static_cast<std::int64_t>(time);
    status.AutoUpdate = record[L::AutoUpdate] != 0;
    status.AutoRun = record[L::AutoRun] != 0;
    status.ConfigDir = GetText(record, L::ConfigDir);
    status.ClientVersion = GetText(record, L::ClientVersion);
    return status;
}
