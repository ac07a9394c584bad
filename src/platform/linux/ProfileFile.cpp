#include "platform/ProfileFile.h"

#include <cstdio>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/FileSystem.h"
#include "util/TextUtil.h"

namespace platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

struct IniText {
    bool bom = false;
    std::string eol = "\n";
    std::vector<std::string> lines;
};

struct KeyPlace {
    bool sectionFound = false;
    std::size_t insertAt = 0;     // after the section's last non-blank line
    bool keyFound = false;
    std::size_t keyLine = 0;
};

// False when the file exists but cannot be read; a missing file is empty.
bool Load(const std::string& file, IniText& ini)
{
    if (!FileExists(file))
        return !DirectoryExists(file);
    FilePtr f = OpenStdFile(file, "rb");
    if (!f)
        return false;
    std::string bytes;
    char chunk[8192];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f.get())) > 0)
        bytes.append(chunk, n);
    if (std::ferror(f.get()))
        return false;
    std::string_view rest = bytes;
    if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        ini.bom = true;
        rest.remove_prefix(kUtf8Bom.size());
    }
    if (rest.find("\r\n") != std::string_view::npos)
        ini.eol = "\r\n";
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ini.lines.emplace_back(line);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    }
    return true;
}

KeyPlace Find(const IniText& ini, std::string_view section, std::string_view key)
{
    KeyPlace place;
    bool inside = false;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const std::string_view line = Trim(ini.lines[i]);
        if (!line.empty() && line.front() == '[') {
            if (place.sectionFound)
                break; // only the first section of that name counts
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inside = text::SameText(name, section);
            if (inside) {
                place.sectionFound = true;
                place.insertAt = i + 1;
            }
            continue;
        }
        if (!inside || line.empty())
            continue;
        place.insertAt = i + 1;
        if (line.front() == ';')
            continue;
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && text::SameText(Trim(line.substr(0, eq)), key)) {
            place.keyFound = true;
            place.keyLine = i;
            return place;
        }
    }
    return place;
}

// Quotes protect blanks at either end and a value that is itself quoted,
// which a reader would otherwise strip.
std::string EncodeValue(const std::string& value)
{
    const bool edgeBlank = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && value.front() == value.back() &&
                        (value.front() == '"' || value.front() == '\'');
    return (edgeBlank || quoted) ? '"' + value + '"' : value;
}

bool ValidName(std::string_view name, std::string_view forbidden)
{
    return !name.empty() && Trim(name) == name && name.find_first_of(forbidden) == std::string_view::npos &&
           name.front() != '[' && name.front() != ';';
}

bool WriteAll(const std::string& path, const std::string& bytes)
{
    FilePtr f = OpenStdFile(path, "wb");
    if (!f)
        return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fflush(f.get()) != 0)
        return false;
    if (::fsync(::fileno(f.get())) != 0)
        return false;
    return std::fclose(f.release()) == 0;
}

// Writes beside the old file and renames over it: a crash or a full disk
// leaves either the old file or the new one, never a mixture.
bool ReplaceFileContent(const std::string& file, const std::string& bytes)
{
    const std::size_t slash = file.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
    const std::string tmp = CreateUniqueFile(dir, ProfileTempPrefix(file));
    if (tmp.empty())
        return false;
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0)
        ::chmod(tmp.c_str(), old.st_mode & 07777);
    if (!WriteAll(tmp, bytes) || !RenameOver(tmp, file)) {
        RemoveFile(tmp);
        return false;
    }
    return true;
}

std::mutex& WriteLock()
{
    // Writers of different keys read, change and replace the whole file;
    // one at a time, or one would undo the other.
    static std::mutex lock;
    return lock;
}

} // namespace

std::string ReadProfileKey(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def)
{
    IniText ini;
    if (!Load(file, ini))
        return def;
    const KeyPlace place = Find(ini, section, key);
    if (!place.keyFound)
        return def;
    const std::string& line = ini.lines[place.keyLine];
    std::string_view value = Trim(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool WriteProfileKey(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value)
{
    // A line break would split the value into lines of its own.
    if (!ValidName(section, "]\r\n") || !ValidName(key, "=\r\n") ||
        value.find_first_of("\r\n") != std::string::npos)
        return false;

    std::lock_guard<std::mutex> guard(WriteLock());
    IniText ini;
    if (!Load(file, ini))
        return false;
    const KeyPlace place = Find(ini, section, key);
    std::string line = key + '=' + EncodeValue(value);
    if (place.keyFound) {
        ini.lines[place.keyLine] = std::move(line);
    } else if (place.sectionFound) {
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(place.insertAt), std::move(line));
    } else {
        if (!ini.lines.empty() && !Trim(ini.lines.back()).empty())
            ini.lines.emplace_back();
        ini.lines.push_back('[' + section + ']');
        ini.lines.push_back(std::move(line));
    }

    std::string bytes = ini.bom ? std::string(kUtf8Bom) : std::string();
    for (const std::string& l : ini.lines)
        bytes += l + ini.eol;
    return ReplaceFileContent(file, bytes);
}

std::string ProfileTempPrefix(const std::string& file)
{
    const std::size_t slash = file.find_last_of('/');
    return "." + (slash == std::string::npos ? file : file.substr(slash + 1)) + ".";
}

} // namespace platform
