// The Linux INI writer: reads back what it wrote, keeps the rest of the
// file, and never leaves a half-written or stray file behind.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "platform/ProfileFile.h"
#include "platform/SystemInfo.h"
#include "support/TempDir.h"

using platform::ReadProfileKey;
using platform::WriteProfileKey;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

TEST(LinuxProfile, ValuesWithBlanksAndQuotesReadBackAsWritten)
{
    TempDir t;
    const std::string f = t.path() + "Config.ini";
    for (const std::string v : {" lead", "trail ", "\"quoted\"", "'single'", "a=b;c", "\"", "", "[x]"}) {
        ASSERT_TRUE(WriteProfileKey(f, "Config", "K", v)) << v;
        EXPECT_EQ(ReadProfileKey(f, "Config", "K", "def"), v);
    }
}

TEST(LinuxProfile, ReplacesInPlaceAndKeepsEverythingElse)
{
    TempDir t;
    const std::string f = t.Write("Config.ini", "; note\r\n[Other]\r\nWallPaper=keep\r\n\r\n[CONFIG]\r\n"
                                                "  wallpaper = \"old\"  \r\nAutoRun=1\r\n\r\n[Last]\r\nX=1\r\n");
    EXPECT_EQ(ReadProfileKey(f, "config", "WallPaper", ""), "old");
    ASSERT_TRUE(WriteProfileKey(f, "Config", "WallPaper", "new"));
    ASSERT_TRUE(WriteProfileKey(f, "Config", "ChangeTime", "5"));
    ASSERT_TRUE(WriteProfileKey(f, "Fresh", "A", "b"));
    EXPECT_EQ(ReadFileBytes(f), "; note\r\n[Other]\r\nWallPaper=keep\r\n\r\n[CONFIG]\r\nWallPaper=new\r\n"
                                "AutoRun=1\r\nChangeTime=5\r\n\r\n[Last]\r\nX=1\r\n\r\n[Fresh]\r\nA=b\r\n");
}

TEST(LinuxProfile, AFailedWriteLeavesTheOldFileAndNoStrayFiles)
{
    TempDir t;
    const std::string f = t.path() + "Config.ini";
    WriteIniValue(f, "Config", "WallPaper", std::string("/pics/a.jpg"), ikString);
    const std::string before = ReadFileBytes(f);
    // A line break cannot be stored in a one-line value.
    EXPECT_THROW(WriteIniValue(f, "Config", "WallPaper", std::string("/pics/x\n[Config]\nAutoRun=0"), ikString),
                 EIniFileException);
    EXPECT_EQ(ReadFileBytes(f), before);
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(t.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "Config.ini");
}

TEST(LinuxProfile, MissingFolderFailsTheWrite)
{
    TempDir t;
    const std::string file = t.Write("plain", "x");
    EXPECT_FALSE(WriteProfileKey(file + "/Config.ini", "Config", "K", "v"));
    EXPECT_EQ(ReadProfileKey(file + "/Config.ini", "Config", "K", "d"), "d");
}

namespace {
class EnvVar {
public:
    explicit EnvVar(const char* name) : name_(name)
    {
        if (const char* v = std::getenv(name))
            old_ = v;
    }
    ~EnvVar()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};
} // namespace

TEST(LinuxSystemInfo, ApplicationDataFollowsXdgThenHome)
{
    EnvVar xdg("XDG_CONFIG_HOME"), home("HOME");
    ::setenv("XDG_CONFIG_HOME", "/srv/cfg/", 1);
    EXPECT_EQ(platform::SpecialFolderPath(platform::CSIDL_APPDATA_FOLDER), "/srv/cfg");
    ::setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored
    ::setenv("HOME", "/home/u1", 1);
    EXPECT_EQ(platform::SpecialFolderPath(platform::CSIDL_APPDATA_FOLDER), "/home/u1/.config");
    ::unsetenv("HOME");
    EXPECT_FALSE(platform::SpecialFolderPath(platform::CSIDL_APPDATA_FOLDER).empty()); // from the account
    EXPECT_EQ(platform::SpecialFolderPath(5), "");
    EXPECT_EQ(platform::WindowsFolder(), "");
    EXPECT_EQ(platform::WindowsMajorVersion(), 0);
}
