#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <string>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with the platform's separator.
    const std::string& path() const { return path_; }
    // Writes bytes to path() + name (creating sub-folders) and returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);

} // namespace testing_support
