// The Windows profile functions as the configuration store uses them: a new
// file is UTF-16, an old ANSI file still reads, a refused write keeps the file.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;

namespace {
TRunModeInputs UserStart()
{
    TRunModeInputs in;
    in.windowsMajorVersion = 6;
    in.parentPath = "C:\\Windows\\explorer.exe";
    return in;
}
} // namespace

TEST(Win32Profile, NewFileIsUtf16AndKeepsNonAnsiPaths)
{
    TempDir t;
    const std::string dir = t.path() + "配置 Настройки \xF0\x9F\x8C\x84";
    const std::string pic = dir + "\\壁纸 \xF0\x9F\x96\xBC.jpg";
    TAppConfig c(UserStart());
    c.LoadFromDir(dir);
    c.SetWallPaper(pic);
    const std::string bytes = ReadFileBytes(c.ConfigFile());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

    TAppConfig again(UserStart());
    again.LoadFromDir(dir);
    EXPECT_EQ(again.WallPaper(), pic);
}

TEST(Win32Profile, ExistingAnsiFileIsStillReadAndWritten)
{
    TempDir t;
    const std::string f = t.Write("Config.ini", "[Config]\r\nChangeTime=7\r\nWallPaper=C:\\a.jpg\r\n");
    EXPECT_EQ(std::get<std::int64_t>(ReadIniValue(f, "Config", "ChangeTime", ikInteger, std::int64_t {0})), 7);
    WriteIniValue(f, "Config", "AutoRun", false, ikBool);
    EXPECT_NE(ReadFileBytes(f).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(std::get<std::string>(ReadIniValue(f, "Config", "WallPaper", ikString, std::string())), "C:\\a.jpg");
    EXPECT_FALSE(std::get<bool>(ReadIniValue(f, "Config", "AutoRun", ikBool, true)));
}

TEST(Win32Profile, RefusedWriteRaisesAndKeepsTheOldContent)
{
    TempDir t;
    TAppConfig c(UserStart());
    c.LoadFromDir(t.path());
    c.SetChangeTime(15);
    const std::string before = ReadFileBytes(c.ConfigFile());
    {
        // Another process holding the file without sharing it.
        platform::win::FileHandle lock(::CreateFileW(platform::win::Wide(c.ConfigFile()).c_str(),
                                                     GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_THROW(c.SetChangeTime(30), EIniFileException);
    }
    EXPECT_EQ(ReadFileBytes(c.ConfigFile()), before);
}

TEST(Win32System, FoldersOfTheSystem)
{
    const std::string windows = GetWindowsFolder();
    ASSERT_GE(windows.size(), 3u);
    EXPECT_EQ(windows.substr(1, 2), ":\\");
    EXPECT_NE(windows.back(), '\\');
    EXPECT_TRUE(platform::DirectoryExists(GetSpecialFolderPath(26)));
    EXPECT_EQ(GetSpecialFolderPath(0x7FFF), "");
}
