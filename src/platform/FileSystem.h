#pragma once
// Files and folders as the logic needs them. Paths are UTF-8; on Windows they
// cross into the W functions as UTF-16.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

bool FileExists(const std::string& path);        // a file, not a folder
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// Every entry of the folder but "." and "..", in the order the file system
// returns them, hidden and system entries included. False when it cannot be read.
bool ListDirectory(const std::string& dir, std::vector<DirEntry>& entries);
bool RemoveFile(const std::string& path);
// Moves from over to, replacing an existing file in one step.
bool RenameOver(const std::string& from, const std::string& to);
// Creates a new, empty file with a unique name in dir and returns its path;
// empty when none could be created.
std::string CreateUniqueFile(const std::string& dir, const std::string& prefix);
// Whether name is one CreateUniqueFile(dir, prefix) makes, exactly.
bool IsUniqueFileName(const std::string& name, const std::string& prefix);
// The full path of this program's own executable file.
std::string OwnExecutablePath();

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
// fopen with a UTF-8 path (mode as for fopen, e.g. "rb", "wb"). Only regular
// files open, and the open never blocks (a FIFO or a device is refused).
FilePtr OpenStdFile(const std::string& path, const char* mode);

// Identifies a folder whatever path reaches it (Linux: device and inode;
// Windows: volume and file index), so a walk can tell a folder it already
// visited through a link. Empty when it cannot be read.
std::string FolderIdentity(const std::string& path);

} // namespace platform
