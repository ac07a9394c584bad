// TAppConfig over a real Config.ini: defaults, the written-once setters,
// 64-bit times, failed writes, non-ASCII paths and the wallpaper list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "config/uAppConfig.h"
#include "config/uIniFiles.h"
#include "platform/FileSystem.h"
#include "platform/HttpDownload.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;

namespace {

constexpr char D = platform::PathDelim;

TRunModeInputs UserStart()
{
    TRunModeInputs in;
    in.windowsMajorVersion = 6;
    in.parentPath = "C:\\Windows\\explorer.exe";
    return in;
}

class AppConfigFile : public ::testing::Test {
protected:
    std::unique_ptr<TAppConfig> Loaded()
    {
        auto c = std::make_unique<TAppConfig>(UserStart());
        c->LoadFromDir(dir_.path() + "cfg");
        return c;
    }
    std::string ConfigFile() const { return dir_.path() + "cfg" + D + "Config.ini"; }
    std::string ReadKey(const char* key) const
    {
        return std::get<std::string>(ReadIniValue(ConfigFile(), "Config", key, ikString, std::string("<none>")));
    }
    // Changes a key behind the object's back, so a later write shows up.
    void Plant(const char* key, const std::string& value) const
    {
        WriteIniValue(ConfigFile(), "Config", key, value, ikString);
    }

    TempDir dir_;
};

} // namespace

TEST_F(AppConfigFile, MissingFileGivesDefaultsAndCreatesNothing)
{
    auto c = Loaded();
    EXPECT_EQ(c->ConfigDir(), dir_.path() + "cfg" + D);
    EXPECT_EQ(c->ConfigFile(), ConfigFile());
    EXPECT_TRUE(platform::DirectoryExists(c->ConfigDir()));
    EXPECT_FALSE(platform::FileExists(c->ConfigFile()));
    EXPECT_EQ(c->ChangeTime(), 0u);
    EXPECT_EQ(c->LastChangeTime(), 0);
    EXPECT_EQ(c->WallPaper(), "");
    EXPECT_EQ(c->WallPaperDir(), c->ConfigDir() + "WallPaper" + D);
    EXPECT_TRUE(c->AutoUpdate());
    EXPECT_TRUE(c->AutoRun());
    EXPECT_FALSE(c->StartedByService() || c->OneShotRun() || c->TrayOnlyRun());
}

TEST_F(AppConfigFile, ReadsStoredValuesWithTheTextRules)
{
    const std::string pics = dir_.path() + "Pics";
    dir_.Write(std::string("cfg") + D + "Config.ini",
               "[Config]\r\nChangeTime=0x1E\r\nLastChangeTime=-1\r\nWallPaper=" + pics + D +
                   "a.jpg\r\nWallPaperDir=" + pics + "\r\nAutoUpdate=0\r\nAutoRun=off\r\n");
    auto c = Loaded();
    EXPECT_EQ(c->ChangeTime(), 30u);
    EXPECT_EQ(c->LastChangeTime(), -1);
    EXPECT_EQ(c->WallPaper(), pics + D + "a.jpg");
    EXPECT_EQ(c->WallPaperDir(), pics + D);
    EXPECT_FALSE(c->AutoUpdate());
    EXPECT_TRUE(c->AutoRun());

    // Setting the folder it already holds touches nothing.
    const std::string before = ReadFileBytes(c->ConfigFile());
    c->SetWallPaperDir(pics + D);
    EXPECT_EQ(ReadFileBytes(c->ConfigFile()), before);
}

TEST_F(AppConfigFile, RelativeOrNegativeStoredValuesAreHandledSafely)
{
    dir_.Write(std::string("cfg") + D + "Config.ini", "[Config]\r\nChangeTime=-1\r\nWallPaperDir=..\r\n");
    auto c = Loaded();
    EXPECT_EQ(c->ChangeTime(), 0xFFFFFFFFu); // the 32-bit pattern
    EXPECT_EQ(c->WallPaperDir(), c->ConfigDir() + "WallPaper" + D);
}

TEST_F(AppConfigFile, SettersWriteOnlyWhenTheValueChanges)
{
    auto c = Loaded();
    c->SetChangeTime(15);
    EXPECT_EQ(ReadKey("ChangeTime"), "15");
    Plant("ChangeTime", "99");
    c->SetChangeTime(15);
    EXPECT_EQ(ReadKey("ChangeTime"), "99");
    EXPECT_EQ(c->ChangeTime(), 15u);

    c->SetAutoRun(true); // already true after Load
    c->SetAutoUpdate(true);
    EXPECT_EQ(ReadKey("AutoRun"), "<none>");
    c->SetAutoRun(false);
    c->SetAutoUpdate(false);
    EXPECT_EQ(ReadKey("AutoRun"), "0");
    EXPECT_EQ(ReadKey("AutoUpdate"), "0");

    const std::string pic = dir_.path() + "Pic.jpg";
    c->SetWallPaper(pic);
    Plant("WallPaper", "x");
    c->SetWallPaper(pic);
    EXPECT_EQ(ReadKey("WallPaper"), "x");
    c->SetWallPaper(dir_.path() + "PIC.jpg"); // differs in letter case only: a change
    EXPECT_EQ(ReadKey("WallPaper"), dir_.path() + "PIC.jpg");

    c->SetLastChangeTime(100);
    Plant("LastChangeTime", "7");
    c->SetLastChangeTime(100);
    EXPECT_EQ(ReadKey("LastChangeTime"), "7");

    auto again = Loaded();
    EXPECT_EQ(again->WallPaper(), dir_.path() + "PIC.jpg");
    EXPECT_FALSE(again->AutoRun());
    EXPECT_EQ(again->LastChangeTime(), 7);
}

TEST_F(AppConfigFile, LastChangeTimeBeyond2038SurvivesTheFile)
{
    for (const int64_t t : {int64_t {2147483647}, int64_t {2147483648LL}, int64_t {4102444800LL}, int64_t {-5}}) {
        Loaded()->SetLastChangeTime(t);
        EXPECT_EQ(Loaded()->LastChangeTime(), t);
    }
    EXPECT_EQ(ReadKey("LastChangeTime"), "-5");
}

TEST_F(AppConfigFile, FailedWriteRaisesAfterTheFieldChanged)
{
    auto c = Loaded();
    ASSERT_TRUE(platform::ForceDirectories(c->ConfigFile())); // a folder in the file's place
    try {
        c->SetChangeTime(20);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + c->ConfigFile());
    }
    EXPECT_EQ(c->ChangeTime(), 20u);
}

TEST_F(AppConfigFile, NonAsciiFoldersAndFilesRoundTrip)
{
    const std::string folder = dir_.path() + "配置 Настройки \xF0\x9F\x8C\x84";
    const std::string pic = folder + D + "壁纸 Обои \xF0\x9F\x96\xBC.jpg";
    {
        TAppConfig c(UserStart());
        c.LoadFromDir(folder);
        c.SetWallPaper(pic);
        c.SetWallPaperDir(folder + D + "图片" + D);
    }
    TAppConfig c(UserStart());
    c.LoadFromDir(folder + D);
    EXPECT_TRUE(platform::FileExists(c.ConfigFile()));
    EXPECT_EQ(c.WallPaper(), pic);
    EXPECT_EQ(c.WallPaperDir(), folder + D + "图片" + D);
}

TEST_F(AppConfigFile, WallPaperListKeepsPicturesOnlySubFolderFirst)
{
    auto c = Loaded();
    const std::string w = c->WallPaperDir();
    const std::string sub = w + "sub" + D, deep = sub + "deep" + D;
    dir_.Write(std::string("cfg") + D + "WallPaper" + D + "a.jpg", "\xFF\xD8rest");
    dir_.Write(std::string("cfg") + D + "WallPaper" + D + "e.png", "\x89PNG");
    dir_.Write(std::string("cfg") + D + "WallPaper" + D + "one", "\xFF");
    dir_.Write(std::string("cfg") + D + "WallPaper" + D + "sub" + D + "d.jpg", "\xFF\xD8");
    dir_.Write(std::string("cfg") + D + "WallPaper" + D + "sub" + D + "deep" + D + "b.bmp", "BMrest");
    // A download cut off by a crash: it starts like a JPEG but is no wallpaper.
    const std::string partial = platform::CreateUniqueFile(w, platform::download::kTempPrefix);
    ASSERT_FALSE(partial.empty());
    dir_.Write(partial.substr(dir_.path().size()), "\xFF\xD8\xFF\xE0 cut");

    c->WallPaperList().push_back("stale");
    c->LoadWallPaperList();
    // One kept picture per folder: the order is the routine's, not the disk's.
    EXPECT_EQ(c->WallPaperList(), (std::vector<std::string> {deep + "b.bmp", sub + "d.jpg", w + "a.jpg"}));
}

TEST_F(AppConfigFile, WallPaperListCreatesAMissingFolder)
{
    auto c = Loaded();
    c->LoadWallPaperList();
    EXPECT_TRUE(platform::DirectoryExists(c->WallPaperDir()));
    EXPECT_TRUE(c->WallPaperList().empty());
}

TEST_F(AppConfigFile, ConcurrentSettersOfDifferentKeysLoseNoWrite)
{
    auto c = Loaded();
    std::thread worker([&] {
        for (int64_t t = 1; t <= 40; ++t)
            c->SetLastChangeTime(1700000000 + t);
    });
    for (uint32_t m = 1; m <= 40; ++m) {
        c->SetChangeTime(m);
        (void)c->LastChangeTime(); // read while the other thread writes
    }
    worker.join();
    auto again = Loaded();
    EXPECT_EQ(again->ChangeTime(), 40u);
    EXPECT_EQ(again->LastChangeTime(), 1700000040);
}

TEST(AppConfigSchedule, ObserverHearsScheduleChangesOnly)
{
    testing_support::TempDir dir;
    TAppConfig config(TRunModeInputs {});
    config.LoadFromDir(dir.path());
    int calls = 0;
    config.SetScheduleObserver([&] { ++calls; });
    config.SetChangeTime(15);
    config.SetChangeTime(15);      // unchanged: no call
    config.SetLastChangeTime(1234);
    config.SetAutoRun(false);      // not part of the schedule
    config.SetWallPaper(dir.path() + "a.jpg");
    EXPECT_EQ(calls, 2);
    config.SetScheduleObserver({});
    config.SetChangeTime(30);
    EXPECT_EQ(calls, 2);
}

// A value above the signed 32-bit range is stored as its bit pattern and
// reads back whole; a line break or a relative folder is refused before
// anything changes, so field and file never disagree.
TEST_F(AppConfigFile, SettersNeverLeaveFieldAndFileApart)
{
    {
        auto c = Loaded();
        EXPECT_NO_THROW(c->SetChangeTime(3'000'000'000u));
        EXPECT_EQ(c->ChangeTime(), 3'000'000'000u);
    }
    EXPECT_EQ(Loaded()->ChangeTime(), 3'000'000'000u);

    auto c = Loaded();
    const std::string before = ReadFileBytes(ConfigFile());
    EXPECT_THROW(WriteIniValue(ConfigFile(), "Config", "WallPaper", std::string("a\r\nChangeTime=1"), ikString),
                 EIniFileException);
    EXPECT_EQ(ReadFileBytes(ConfigFile()), before);
    const std::string dirBefore = c->WallPaperDir();
    EXPECT_FALSE(c->SetWallPaperDir(std::string("relative") + D));
    EXPECT_EQ(c->WallPaperDir(), dirBefore);
    EXPECT_EQ(ReadFileBytes(ConfigFile()), before);
}

// Load itself, for a start from the desktop: the per-user application-data
// folder, with the wallpaper folder beside Config.ini.
TEST(AppConfigLoad, DesktopStartUsesTheApplicationDataFolder)
{
#ifndef _WIN32
    TempDir home;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (home.path() + "xdg").c_str(), 1);
#endif
    TAppConfig c(UserStart());
    c.Load();
#ifndef _WIN32
    EXPECT_EQ(c.ConfigDir(), home.path() + "xdg/Brisvane/");
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
#else
    EXPECT_EQ(c.ConfigDir(), GetSpecialFolderPath(26) + "\\Brisvane\\");
#endif
    EXPECT_FALSE(c.StartedByService());
    EXPECT_TRUE(platform::DirectoryExists(c.ConfigDir()));
    EXPECT_EQ(c.ConfigFile(), c.ConfigDir() + "Config.ini");
    EXPECT_EQ(c.WallPaperDir(), c.ConfigDir() + "WallPaper" + D);
}
