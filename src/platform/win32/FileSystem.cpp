#include "platform/FileSystem.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace platform {
using win::Narrow;
using win::Wide;

bool FileExists(const std::string& path)
{
    const DWORD attr = ::GetFileAttributesW(Wide(path).c_str());
    return !path.empty() && attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    const DWORD attr = ::GetFileAttributesW(Wide(path).c_str());
    return !path.empty() && attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::string dir = path;
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    if (DirectoryExists(dir))
        return true;
    const auto sep = dir.find_last_of("\\/");
    if (sep != std::string::npos && sep > 0 && dir[sep - 1] != ':' && !ForceDirectories(dir.substr(0, sep)))
        return false;
    return ::CreateDirectoryW(Wide(dir).c_str(), nullptr) || DirectoryExists(dir);
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>& entries)
{
    std::string pattern = dir;
    if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/'))
        pattern += '\\';
    pattern += "*.*";
    WIN32_FIND_DATAW fd {};
    win::FindHandle find(::FindFirstFileW(Wide(pattern).c_str(), &fd));
    if (!find)
        return false;
    do {
        const std::string name = Narrow(fd.cFileName);
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (::FindNextFileW(find.get(), &fd));
    return true;
}

bool RemoveFile(const std::string& path)
{
    return ::DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool RenameOver(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::string CreateUniqueFile(const std::string& dir, const std::string& prefix)
{
    wchar_t name[MAX_PATH + 1] = {};
    if (::GetTempFileNameW(Wide(dir).c_str(), Wide(prefix).c_str(), 0, name) == 0)
        return {};
    return Narrow(name);
}

std::string OwnExecutablePath()
{
    std::wstring buf(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size())
        return {};
    buf.resize(n);
    return Narrow(buf);
}

FilePtr OpenStdFile(const std::string& path, const char* mode)
{
    return FilePtr(::_wfopen(Wide(path).c_str(), Wide(mode).c_str()));
}

} // namespace platform
