// The run-mode decision of a real process under Windows rules: a stand-in
// service in the client's folder on Windows 5 (Wine told to report XP for the
// probe only), and an unreadable parent on Windows 6 and later.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "util/TextUtil.h"

using namespace testing_support;

namespace {

constexpr const wchar_t* kAppDefaults = L"Software\\Wine\\AppDefaults\\pictavo-probe.exe";

// Wine's per-program version override, removed again afterwards.
class WineVersionFor {
public:
    explicit WineVersionFor(const wchar_t* version)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            const auto bytes = static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t));
            ok_ = ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), bytes) ==
                  ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
    }
    ~WineVersionFor() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults); }
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct Report {
    std::string flags, parent, major;
};

class RunModeProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe_ = dir_.path() + "pictavo-probe.exe";
        CopyProgram(HelperPath("RunModeProbe"), probe_);
        CopyProgram(HelperPath("FakeService"), dir_.path() + "BrisvaneService.exe");
        dir_.Write("other\\keep", "");
        CopyProgram(HelperPath("FakeService"), dir_.path() + "other\\BrisvaneService.exe");
    }

    // Starts the probe under parent (empty: the test itself); detach makes
    // the parent exit before the probe looks.
    Report Run(const std::string& parent, bool detach = false)
    {
        const std::string n = std::to_string(++runs_);
        const std::string out = dir_.path() + "result" + n, go = dir_.path() + "go" + n;
        std::vector<std::string> args {probe_, out};
        if (detach)
            args.push_back(go);
        if (!parent.empty())
            args.insert(args.begin(), parent);
        if (detach)
            args.insert(args.begin() + 1, "--detach");
        {
            ChildProcess child(args);
            EXPECT_EQ(child.Wait(), 0);
        }
        if (detach)
            dir_.Write("go" + n, "");
        // The whole report, not just the file: under load Wine has let a read
        // right after the probe's rename come back empty.
        const auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
        std::string text = ReadFileBytes(out);
        for (int waited = 0; lines(text) < 4 && waited < 10000; waited += 10) {
            ::Sleep(10);
            text = ReadFileBytes(out);
        }
        EXPECT_EQ(lines(text), 4) << text;
        Report r;
        std::size_t a = text.find('\n'), b = text.find('\n', a + 1);
        r.flags = text.substr(0, a);
        r.parent = text.substr(a + 1, b - a - 1);
        r.major = text.substr(b + 1, text.find('\n', b + 1) - b - 1);
        return r;
    }

    TempDir dir_;
    std::string probe_;
    int runs_ = 0;
};

} // namespace

TEST_F(RunModeProcess, WindowsXpRecognisesTheServiceByNameAndFolder)
{
    WineVersionFor xp(L"winxp");
    ASSERT_TRUE(xp.ok());

    Report r = Run(dir_.path() + "BrisvaneService.exe");
    ASSERT_EQ(r.major, "5") << "Wine did not report XP to the probe";
    EXPECT_TRUE(text::SameText(r.parent, dir_.path() + "BrisvaneService.exe")) << r.parent;
    EXPECT_EQ(r.flags, "110");

    const std::string ready = dir_.path() + "held", stop = dir_.path() + "release";
    ChildProcess holder({HelperPath("MarkerHolder"), ready, stop});
    ASSERT_TRUE(WaitForFile(ready));
    EXPECT_EQ(Run(dir_.path() + "BrisvaneService.exe").flags, "101");
    dir_.Write("release", "");
    EXPECT_EQ(holder.Wait(), 0);

    EXPECT_EQ(Run(dir_.path() + "other\\BrisvaneService.exe").flags, "000");
    EXPECT_EQ(Run("").flags, "000");
}

TEST_F(RunModeProcess, LaterWindowsTakeAnUnreadableParentForTheService)
{
    Report r = Run("");
    ASSERT_GE(std::stoi(r.major), 6);
    EXPECT_FALSE(r.parent.empty());
    EXPECT_EQ(r.flags, "000");

    // The stand-in exits before the probe looks: its parent cannot be opened.
    r = Run(dir_.path() + "other\\BrisvaneService.exe", true);
    EXPECT_EQ(r.parent, "");
    EXPECT_EQ(r.flags, "110");

    const std::string ready = dir_.path() + "held", stop = dir_.path() + "release";
    ChildProcess holder({HelperPath("MarkerHolder"), ready, stop});
    ASSERT_TRUE(WaitForFile(ready));
    EXPECT_EQ(Run(dir_.path() + "other\\BrisvaneService.exe", true).flags, "101");
    dir_.Write("release", "");
    EXPECT_EQ(holder.Wait(), 0);
}
