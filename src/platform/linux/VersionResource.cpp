#include "platform/VersionResource.h"

#include <sys/stat.h>

#include <array>

namespace platform {
namespace {

// The Linux resource layout: the 52-byte fixed block, then one language
// table entry (US English, UTF-16), as the Windows resource of the build has.
constexpr std::size_t kFixedSize = 52;
constexpr std::size_t kResourceSize = kFixedSize + 4;

void PutWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> BuildResource()
{
    std::vector<std::uint8_t> out(kResourceSize, 0);
    const std::uint32_t ms = (PICTAVO_VERSION_MAJOR << 16) | PICTAVO_VERSION_MINOR;
    const std::uint32_t ls = (PICTAVO_VERSION_RELEASE << 16) | PICTAVO_VERSION_BUILD;
    PutWord(out, 0, 0xFEEF04BDu); // signature
    PutWord(out, 4, 0x00010000u); // structure version
    PutWord(out, 8, ms);          // file version
    PutWord(out, 12, ls);
    PutWord(out, 16, ms);         // product version
    PutWord(out, 20, ls);
    PutWord(out, 24, 0x3Fu);      // flag mask; no flags set
    PutWord(out, 36, 1u);         // an application
    PutWord(out, kFixedSize, 0x04B00409u);
    return out;
}

bool IsOwnExecutable(const std::string& path)
{
    struct stat own {};
    struct stat other {};
    return ::stat("/proc/self/exe", &own) == 0 && ::stat(path.c_str(), &other) == 0 &&
           own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}

} // namespace

std::uint32_t VersionInfoSize(const std::string& path)
{
    return IsOwnExecutable(path) ? static_cast<std::uint32_t>(kResourceSize) : 0;
}

bool ReadVersionInfo(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>& data)
{
    if (size != kResourceSize || !IsOwnExecutable(path))
        return false;
    data = BuildResource();
    return true;
}

VersionLookup LookUpVersionInfo(const std::vector<std::uint8_t>& data)
{
    VersionLookup result;
    result.hasRoot = data.size() >= kFixedSize;
    if (result.hasRoot)
        result.root.assign(data.begin(), data.begin() + kFixedSize);
    result.hasTranslation = data.size() >= kResourceSize;
    return result;
}

} // namespace platform
