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

bool IsUniqueFileName(const std::string& name, const std::string& prefix)
{
    // GetTempFileNameW: the prefix's first three characters, one to four
    // hexadecimal digits, ".tmp".
    const std::string head = prefix.substr(0, 3);
    if (name.size() < head.size() + 5 || name.size() > head.size() + 8 || name.compare(0, head.size(), head) != 0)
        return false;
    const std::size_t digitsEnd = name.size() - 4;
    if (name.compare(digitsEnd, 4, ".tmp") != 0 && name.compare(digitsEnd, 4, ".TMP") != 0)
        return false;
    for (std::size_t i = head.size(); i < digitsEnd; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
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
    // Devices (CON, a named pipe) are no files to read pictures from.
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0)
        return FilePtr();
    return FilePtr(::_wfopen(Wide(path).c_str(), Wide(mode).c_str()));
}

std::string FolderIdentity(const std::string& path)
{
    win::FileHandle h(::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info {};
    if (!h || !::GetFileInformationByHandle(h.get(), &info))
        return {};
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(info.nFileIndexHigh) + ':' +
           std::to_string(info.nFileIndexLow);
}

} // namespace platform
