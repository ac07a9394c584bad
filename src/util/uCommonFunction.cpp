#include "util/uCommonFunction.h"

#include <cstdio>

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

bool ListFiles(std::vector<std::string>* target, std::string folder, bool includeFolders)
{
    if (folder.empty() || folder.back() != platform::PathDelim)
        folder += platform::PathDelim;
    if (!target || !platform::DirectoryExists(folder))
        return false;

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
        ListFiles(target, full, false);
    }
    target->insert(target->end(), own.begin(), own.end());
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
