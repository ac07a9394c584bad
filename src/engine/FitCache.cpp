#include "engine/FitCache.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FileTime.h"

namespace picture {
namespace {

constexpr std::size_t kHashChars = 16;
constexpr std::size_t kStemChars = 40;
constexpr std::int64_t kStaleTemp = 3600LL * 10'000'000;   // one hour in 100 ns

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool IsFittedName(const std::string& n)
{
    if (n.size() < kHashChars + 5 || n[kHashChars] != '-' || n.compare(n.size() - 4, 4, ".jpg") != 0)
        return false;
    return std::all_of(n.begin(), n.begin() + kHashChars, IsHex);
}

} // namespace

std::string FitCacheName(const std::string& sourcePath)
{
    std::uint64_t h = 14695981039346656037ULL;   // FNV-1a
    for (unsigned char c : sourcePath) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name(kHashChars, '0');
    for (std::size_t i = 0; i < kHashChars; ++i)
        name[kHashChars - 1 - i] = kDigits[(h >> (4 * i)) & 15];

    const auto sep = sourcePath.find_last_of("/\\");
    std::string stem = sourcePath.substr(sep == std::string::npos ? 0 : sep + 1);
    const auto dot = stem.find_last_of('.');
    if (dot != std::string::npos)
        stem.resize(dot);
    name += '-';
    for (std::size_t i = 0; i < stem.size() && i < kStemChars; ++i) {
        const char c = stem[i];
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '_';
        name += safe ? c : '_';
    }
    return name + ".jpg";
}

void PruneFitCache(const std::string& dir, const std::string& current)
{
    std::vector<platform::DirEntry> entries;
    if (!platform::ListDirectory(dir, entries))
        return;
    const std::string base = (!dir.empty() && dir.back() == platform::PathDelim) ? dir : dir + platform::PathDelim;
    const std::int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::system_clock::now().time_since_epoch()).count() * 10;
    struct Aged {
        std::int64_t time;
        std::string name;
    };
    std::vector<Aged> fitted;
    for (const auto& e : entries) {
        if (e.isDirectory || e.name == current)
            continue;
        if (IsFittedName(e.name)) {
            fitted.push_back({platform::FileWriteTime(base + e.name), e.name});
        } else if (e.name.rfind("fit", 0) == 0) {
            // Another process may be writing this one right now.
            const std::int64_t t = platform::FileWriteTime(base + e.name);
            if (t != 0 && now - t > kStaleTemp)
                platform::RemoveFile(base + e.name);
        }
    }
    std::sort(fitted.begin(), fitted.end(), [](const Aged& a, const Aged& b) {
        return a.time != b.time ? a.time > b.time : a.name > b.name;
    });
    for (std::size_t i = kFitCacheKeep - 1; i < fitted.size(); ++i)
        platform::RemoveFile(base + fitted[i].name);
}

} // namespace picture
