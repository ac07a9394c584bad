#include "config/VerInfo.h"

namespace {

// Offsets inside the fixed file information block.
constexpr std::size_t kFileVersionMS = 8;
constexpr std::size_t kFileVersionLS = 12;
constexpr std::size_t kFileFlagsMask = 24;
constexpr std::size_t kFileFlags = 28;

struct FlagName {
    std::uint32_t bit;
    const char* name;
};
constexpr FlagName kFlagNames[] = {
    {0x2, "Pre-release"},
    {0x8, "Private build"},
    {0x20, "Special build"},
    {0x1, "Debug"},
};

} // namespace

TVerInfoRes::TVerInfoRes(const std::string& fileName) : FileName_(fileName)
{
    ReadVersionData();
    CheckLookup(platform::LookUpVersionInfo(InfoData_));
    ReadFlags();
}

TVerInfoRes::TVerInfoRes(const std::string& fileName, const platform::VersionLookup& lookup)
    : FileName_(fileName)
{
    CheckLookup(lookup);
    ReadFlags();
}

void TVerInfoRes::ReadVersionData()
{
    InfoSize_ = platform::VersionInfoSize(FileName_);
    if (InfoSize_ == 0)
        throw ENoVerInfoError("No Version Info Available.");
    if (!platform::ReadVersionInfo(FileName_, InfoSize_, InfoData_))
        throw EVerInfoError("Cannot obtain version info.");
}

void TVerInfoRes::CheckLookup(const platform::VersionLookup& lookup)
{
    if (!lookup.hasTranslation)
        throw EVerInfoError("No language info.");
    if (!lookup.hasRoot || lookup.root.size() < FixedInfoSize)
        throw eNoFixeVerInfo("No fixed file info");
    FixedInfo_.assign(lookup.root.begin(), lookup.root.begin() + FixedInfoSize);
}

std::uint32_t TVerInfoRes::FixedWord(std::size_t offset) const
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(FixedInfo_[offset + i]) << (8 * i);
    return v;
}

void TVerInfoRes::ReadFlags()
{
    const std::uint32_t set = FixedWord(kFileFlagsMask) & FixedWord(kFileFlags);
    for (const FlagName& f : kFlagNames)
        if (set & f.bit)
            Flags_.emplace_back(f.name);
}

std::string TVerInfoRes::GetFileVersion() const
{
    return FormatVersion(FixedWord(kFileVersionMS), FixedWord(kFileVersionLS));
}

std::string FormatVersion(std::uint32_t high, std::uint32_t low)
{
    return std::to_string(high >> 16) + '.' + std::to_string(high & 0xFFFFu) + '.' +
           std::to_string(low >> 16) + '.' + std::to_string(low & 0xFFFFu);
}

bool HasVersionInfo(const std::string& fileName)
{
    return platform::VersionInfoSize(fileName) > 0;
}

std::string GetFileVersionString(const std::string& fileName)
{
    if (!HasVersionInfo(fileName))
        return {};
    return TVerInfoRes(fileName).GetFileVersion();
}
