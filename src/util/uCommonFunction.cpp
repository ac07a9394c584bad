#include "util/uCommonFunction.h"

#include <cstdio>
#include <set>

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace {

// visited holds the identities of the folders on the way down (and done), so
// a link back to an ancestor, or two links to one folder, list it only once.
void ListInto(std::vector<std::string>& target, const std::string& folder, bool includeFolders,
              std::set<std::string>& visited)
{
    const std::string id = platform::FolderIdentity(folder);
    if (!id.empty() && !visited.insert(id).second)
        return;
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(folder, entries);
    std::vector<std::string> own;
    for (const platform::DirEntry& e : entries) {
        const std::string full = folder + e.name;
        if (!e.isDirectory) {
            own.push_back(full);
            continue;
        }
        if (includeFolders)
            own.push_back(full);
        ListInto(target, full + platform::PathDelim, false, visited);
    }
    target.insert(target.end(), own.begin(), own.end());
}

} // namespace

bool ListFiles(std::vector<std::string>* target, std::string folder, bool includeFolders)
{
    if (folder.empty() || folder.back() != platform::PathDelim)
        folder += platform::PathDelim;
    if (!target || !platform::DirectoryExists(folder))
        return false;
    std::set<std::string> visited;
    ListInto(*target, folder, includeFolders, visited);
    return !target->empty();
}

bool IsImageFile(const std::string& path)
{
    const platform::FilePtr f = platform::OpenStdFile(path, "rb");
    if (!f)
        return false;
    unsigned char head[2] = {};
    if (std::fread(head, 1, 2, f.get()) != 2)
        return false;
    return (head[0] == 0xFF && head[1] == 0xD8) || (head[0] == 'B' && head[1] == 'M');
}

std::string GetSpecialFolderPath(int csidl)
{
    return platform::SpecialFolderPath(csidl);
}

std::string GetWindowsFolder()
{
    return platform::WindowsFolder();
}

std::string GetCurrentUserName()
{
    return platform::CurrentUserName();
}

bool IsFolderWritable(const std::string& folder)
{
    if (!platform::DirectoryExists(folder))
        return false;
    const std::string probe = platform::CreateUniqueFile(folder, "");
    return !probe.empty() && platform::RemoveFile(probe);
}

int LastDelimiterPos(std::string_view delimiter, std::string_view text)
{
    if (delimiter.empty() || text.empty())
        return -1;
    const std::size_t pos = text.rfind(delimiter);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos) + 1;
}
