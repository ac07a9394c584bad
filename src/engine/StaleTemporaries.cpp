#include "engine/StaleTemporaries.h"

#include <chrono>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FileTime.h"
#include "platform/HttpDownload.h"
#include "platform/ProfileFile.h"

namespace engine {
namespace {

std::string WithDelim(const std::string& dir)
{
    return (!dir.empty() && dir.back() == platform::PathDelim) ? dir : dir + platform::PathDelim;
}

void RemoveStale(const std::string& dir, const std::string& prefix, std::int64_t now)
{
    std::vector<platform::DirEntry> entries;
    if (dir.empty() || !platform::ListDirectory(dir, entries))
        return;
    const std::string base = WithDelim(dir);
    for (const auto& e : entries) {
        if (e.isDirectory || !platform::IsUniqueFileName(e.name, prefix))
            continue;
        const std::int64_t written = platform::FileWriteTime(base + e.name);
        if (written != 0 && now - written > kStaleAfter)
            platform::RemoveFile(base + e.name);
    }
}

} // namespace

void RemoveStaleTemporaries(const std::string& configDir, const std::string& wallPaperDir,
                            const std::string& fittedDir, std::int64_t now)
{
    if (now == 0)
        now = std::chrono::duration_cast<std::chrono::microseconds>(
                  std::chrono::system_clock::now().time_since_epoch()).count() * 10;
    RemoveStale(wallPaperDir, platform::download::kTempPrefix, now);
    RemoveStale(fittedDir, "fit", now);
    const std::string configFile = WithDelim(configDir) + "Config.ini";
    if (const std::string prefix = platform::ProfileTempPrefix(configFile); !prefix.empty())
        RemoveStale(configDir, prefix, now);
}

} // namespace engine
