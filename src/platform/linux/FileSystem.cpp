#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/ProcExe.h"

namespace platform {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (DirectoryExists(dir))
        return true;
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(dir.substr(0, slash)))
        return false;
    return ::mkdir(dir.c_str(), 0755) == 0 || (errno == EEXIST && DirectoryExists(dir));
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>& entries)
{
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), &::closedir);
    if (!d)
        return false;
    const std::string base = (!dir.empty() && dir.back() == '/') ? dir : dir + '/';
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK)
            isDir = DirectoryExists(base + name);
        entries.push_back({name, isDir});
    }
    return true;
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool RenameOver(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string CreateUniqueFile(const std::string& dir, const std::string& prefix)
{
    std::string pattern = dir;
    if (pattern.empty() || pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return {};
    ::close(fd);
    return pattern;
}

bool IsUniqueFileName(const std::string& name, const std::string& prefix)
{
    // mkstemp replaces XXXXXX with letters and digits.
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::string OwnExecutablePath()
{
    return linuxdesk::ReadExeLink("/proc/self/exe");
}

FilePtr OpenStdFile(const std::string& path, const char* mode)
{
    const std::string m = mode;
    int flags = m.find('+') != std::string::npos ? O_RDWR : (m[0] == 'r' ? O_RDONLY : O_WRONLY);
    if (m[0] == 'w')
        flags |= O_CREAT | O_TRUNC;
    else if (m[0] == 'a')
        flags |= O_CREAT | O_APPEND;
    // Non-blocking, so a FIFO without a writer cannot hold the caller; a
    // regular file reads and writes the same either way.
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return FilePtr();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FilePtr();
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, mode);
    if (!f)
        ::close(fd);
    return FilePtr(f);
}

std::string FolderIdentity(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
}

} // namespace platform
