#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "FakeActiveDesktop.h"
#include "engine/WallpaperApply.h"
#include "platform/win32/WinText.h"
#include "support/TempDir.h"

namespace {

using testing_support::ActiveDesktopScript;
using testing_support::FakeActiveDesktopRegistration;

const std::vector<std::string> kFullSequence {"SetWallpaperOptions", "SetWallpaper", "ApplyChanges"};

std::wstring ReadDesktopValue(const wchar_t* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return L"<no key>";
    wchar_t value[1024] {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(value) : L"<missing>";
}

void ClearDesktopValues()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const wchar_t* name : {L"WallpaperStyle", L"TileWallpaper", L"Wallpaper"})
        ::RegDeleteValueW(key, name);
    ::RegCloseKey(key);
}

std::string Repeat(const std::string& unit, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += unit;
    return s;
}

// The main thread's apartment belongs to the program, as in the real client.
class WallpaperApplyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::CoInitialize(nullptr), S_OK); }
    void TearDown() override { ::CoUninitialize(); }
};

TEST_F(WallpaperApplyTest, HandsPathAndStyleToTheDesktopInOrder)
{
    ActiveDesktopScript script;
    const FakeActiveDesktopRegistration fake(script);
    ASSERT_TRUE(fake.ok());

    EXPECT_TRUE(engine::ApplyWallPaper("C:\\Pictures\\sea.jpg", 2));
    EXPECT_EQ(script.calls, kFullSequence);
    EXPECT_EQ(script.optionsSize, 8u);
    EXPECT_EQ(script.optionsStyle, 2u);
    EXPECT_EQ(script.wallpaper, L"C:\\Pictures\\sea.jpg");
    EXPECT_TRUE(script.wallpaperBufferZeroFilled);
    EXPECT_EQ(script.applyFlags, 15u);
    EXPECT_EQ(script.liveObjects, 0) << "the desktop object must be released";
}

TEST_F(WallpaperApplyTest, StylesOutsideOneToThreeCentre)
{
    const std::vector<std::pair<int, DWORD>> cases {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {7, 0}, {255, 0}};
    for (const auto& [style, expected] : cases) {
        ActiveDesktopScript script;
        const FakeActiveDesktopRegistration fake(script);
        ASSERT_TRUE(fake.ok());
        EXPECT_TRUE(engine::ApplyWallPaper("C:\\a.jpg", static_cast<std::uint8_t>(style)));
        EXPECT_EQ(script.optionsStyle, expected) << "style " << style;
    }
}

TEST_F(WallpaperApplyTest, PathFitsWhenAtMost259Utf16Units)
{
    struct Case {
        std::string path;
        bool fits;
    };
    // "C:\" is 3 units; e-acute is 2 UTF-8 bytes but 1 unit, the emoji 4 bytes but 2 units.
    const std::vector<Case> cases {
        {"C:\\" + std::string(256, 'a'), true},
        {"C:\\" + std::string(257, 'a'), false},
        {"C:\\" + Repeat("\xC3\xA9", 256), true},
        {"C:\\" + Repeat("\xC3\xA9", 257), false},
        {"C:\\" + Repeat("\xF0\x9F\x98\x80", 128), true},
        {"C:\\" + Repeat("\xF0\x9F\x98\x80", 128) + "x", false},
    };
    for (const Case& c : cases) {
        ActiveDesktopScript script;
        const FakeActiveDesktopRegistration fake(script);
        ASSERT_TRUE(fake.ok());
        engine::ApplyWallPaper(c.path, 0);
        ASSERT_EQ(script.calls, kFullSequence);
        EXPECT_EQ(script.wallpaper, c.fits ? platform::win::Wide(c.path) : std::wstring())
            << c.path.size() << " bytes";
        EXPECT_TRUE(script.wallpaperBufferZeroFilled);
    }
}

// The shell's refusal stands: only a desktop object that does not implement
// a call (E_NOTIMPL, as Wine's) hands the change to the classic setting.
TEST_F(WallpaperApplyTest, FailedDesktopCallStopsTheSequenceAndFallsBackOnlyWhenNotImplemented)
{
    const testing_support::TempDir dir;
    const std::string picture = dir.Write("fallback.bmp", "BM");
    struct Case {
        HRESULT options, wallpaper, apply;
        std::vector<std::string> calls;
        bool fallsBack;
    };
    const std::vector<Case> cases {
        {S_FALSE, S_OK, S_OK, {"SetWallpaperOptions"}, false},
        {E_FAIL, S_OK, S_OK, {"SetWallpaperOptions"}, false},
        {S_OK, S_FALSE, S_OK, {"SetWallpaperOptions", "SetWallpaper"}, false},
        {S_OK, S_OK, E_ACCESSDENIED, kFullSequence, false},
        {E_NOTIMPL, S_OK, S_OK, {"SetWallpaperOptions"}, true},
        {S_OK, S_OK, E_NOTIMPL, kFullSequence, true},
    };
    for (const Case& c : cases) {
        ClearDesktopValues();
        ActiveDesktopScript script;
        script.optionsResult = c.options;
        script.wallpaperResult = c.wallpaper;
        script.applyResult = c.apply;
        const FakeActiveDesktopRegistration fake(script);
        ASSERT_TRUE(fake.ok());
        EXPECT_EQ(engine::ApplyWallPaper(picture, 2), c.fallsBack);
        EXPECT_EQ(script.calls, c.calls);
        if (c.fallsBack) {
            // The classic setting took over, with the same placement.
            EXPECT_EQ(ReadDesktopValue(L"Wallpaper"), platform::win::Wide(picture));
            EXPECT_EQ(ReadDesktopValue(L"WallpaperStyle"), L"2");
            EXPECT_EQ(ReadDesktopValue(L"TileWallpaper"), L"0");
        } else {
            EXPECT_EQ(ReadDesktopValue(L"WallpaperStyle"), L"<missing>");
        }
    }
}

TEST_F(WallpaperApplyTest, WithoutActiveDesktopTheUserSettingCarriesThePlacement)
{
    const testing_support::TempDir dir;
    struct Case {
        std::uint8_t style;
        const wchar_t* wallpaperStyle;
        const wchar_t* tile;
    };
    const std::vector<Case> cases {{0, L"0", L"0"}, {2, L"2", L"0"}, {1, L"0", L"1"}, {3, L"10", L"0"}, {9, L"0", L"0"}};
    for (const Case& c : cases) {
        ClearDesktopValues();
        const std::string picture = dir.Write("plain" + std::to_string(c.style) + ".bmp", "BM");
        EXPECT_TRUE(engine::ApplyWallPaper(picture, c.style)) << int {c.style};
        EXPECT_EQ(ReadDesktopValue(L"Wallpaper"), platform::win::Wide(picture));
        EXPECT_EQ(ReadDesktopValue(L"WallpaperStyle"), c.wallpaperStyle) << int {c.style};
        EXPECT_EQ(ReadDesktopValue(L"TileWallpaper"), c.tile) << int {c.style};
    }
}

TEST_F(WallpaperApplyTest, WorkerThreadGetsItsOwnApartmentForTheCall)
{
    ActiveDesktopScript script;
    bool applied = false;
    bool spying = false;
    int initialisations = 0;
    int uninitialisations = 0;
    HRESULT afterwards = E_FAIL;
    std::thread worker([&] {
        {
            // The fake appears only in an apartment the call itself opens.
            const testing_support::FakeActiveDesktopOnThreadInit fake(script);
            spying = fake.ok();
            applied = engine::ApplyWallPaper("D:\\w.jpg", 0);
            initialisations = fake.initialisations();
            uninitialisations = fake.uninitialisations();
        }
        // S_OK again means the call left the thread as it found it.
        afterwards = ::CoInitialize(nullptr);
        if (SUCCEEDED(afterwards))
            ::CoUninitialize();
    });
    worker.join();

    ASSERT_TRUE(spying);
    EXPECT_TRUE(applied);
    EXPECT_EQ(script.calls, kFullSequence);
    EXPECT_EQ(script.wallpaper, L"D:\\w.jpg");
    EXPECT_TRUE(script.creatorInSta);
    EXPECT_EQ(script.liveObjects, 0);
    EXPECT_EQ(initialisations, 1);
    EXPECT_EQ(uninitialisations, 1);
    EXPECT_EQ(afterwards, S_OK);
}

} // namespace

TEST_F(WallpaperApplyTest, TooLongPathNeverClearsTheWallpaperThroughTheFallback)
{
    ClearDesktopValues();
    ActiveDesktopScript script;
    script.wallpaperResult = E_FAIL;
    const FakeActiveDesktopRegistration fake(script);
    ASSERT_TRUE(fake.ok());
    EXPECT_FALSE(engine::ApplyWallPaper("C:\\" + std::string(300, 'a'), 2));
    EXPECT_EQ(ReadDesktopValue(L"WallpaperStyle"), L"<missing>");
}
