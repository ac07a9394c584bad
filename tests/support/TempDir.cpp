#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "util/TextUtil.h"

namespace fs = std::filesystem;

namespace testing_support {
namespace {

fs::path ToPath(const std::string& utf8)
{
    const std::u16string u = text::Utf8ToUtf16(utf8);
    return fs::path(u);
}

std::string FromPath(const fs::path& p)
{
    return text::Utf16ToUtf8(p.u16string());
}

} // namespace

TempDir::TempDir()
{
    static std::atomic<int> counter {0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir = fs::temp_directory_path() /
        ("pictavo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    fs::create_directories(dir);
    path_ = FromPath(dir) + platform::PathDelim;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(ToPath(path_), ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    const fs::path full = ToPath(path_ + name);
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write test file " + path_ + name);
    return FromPath(full);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(ToPath(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace testing_support
