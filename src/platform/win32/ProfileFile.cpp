#include "platform/ProfileFile.h"

#include <windows.h>

#include <mutex>

#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"

namespace platform {
namespace {

constexpr DWORD kValueChars = 2048;

// The profile functions drop their cached copy, so every call meets the file.
void Flush(const std::wstring& file)
{
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

// A file that starts with a UTF-16LE byte-order mark is kept in UTF-16 by the
// profile functions; without it they would store the ANSI code page and lose
// every character outside it. Never touches a file that already exists.
void CreateUnicodeProfile(const std::wstring& file)
{
    win::FileHandle h(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return;
    const unsigned char bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    ::WriteFile(h.get(), bom, sizeof(bom), &written, nullptr);
}

// One write at a time in this process: a first write creates the file with an
// exclusive handle to put the byte-order mark in, and a second thread's write
// meeting that handle fails outright (seen as "Unable to write" under load).
std::mutex& WriteLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

std::string ReadProfileKey(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def)
{
    const std::wstring wfile = win::Wide(file);
    std::wstring buf(kValueChars, L'\0');
    const DWORD n = ::GetPrivateProfileStringW(win::Wide(section).c_str(), win::Wide(key).c_str(),
                                               win::Wide(def).c_str(), buf.data(), kValueChars, wfile.c_str());
    Flush(wfile);
    buf.resize(n);
    return win::Narrow(buf);
}

bool WriteProfileKey(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value)
{
    const std::wstring wfile = win::Wide(file);
    const std::lock_guard<std::mutex> guard(WriteLock());
    if (::GetFileAttributesW(wfile.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateUnicodeProfile(wfile);
    const BOOL ok = ::WritePrivateProfileStringW(win::Wide(section).c_str(), win::Wide(key).c_str(),
                                                 win::Wide(value).c_str(), wfile.c_str());
    Flush(wfile);
    return ok != FALSE;
}

std::string ProfileTempPrefix(const std::string&)
{
    return {}; // the system's profile functions write in place
}

} // namespace platform
