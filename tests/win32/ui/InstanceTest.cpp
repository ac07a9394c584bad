// Pictavo.exe started as real processes: one interactive client per session,
// a second start (ordinary or tray-only) hands over to it, a one-shot run
// goes its own way, and every WM_CLOSE ends a client with exit code 0.
// The service's starts use Windows 5 rules (Wine told so for the copy of the
// client beside a stand-in BrisvaneService.exe), which name the parent.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>

#include "app/win32/UnitMain.h"
#include "config/uAppConfig.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "platform/win32/Handles.h"
#include "support/ChildProcess.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"
#include "util/uCommonFunction.h"

using namespace testing_support;

namespace {

constexpr const wchar_t* kAppDefaults = L"Software\\Wine\\AppDefaults\\PictavoXp.exe";

// Main windows of Pictavo processes other than this one.
std::vector<HWND> ClientWindows()
{
    std::vector<HWND> found;
    HWND w = nullptr;
    while ((w = ::FindWindowExW(nullptr, w, L"TBrisvaneMainForm", nullptr))) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid != ::GetCurrentProcessId())
            found.push_back(w);
    }
    return found;
}

bool WaitFor(const std::function<bool()>& done, std::uint32_t ms = 15000)
{
    return platform::MainThreadWait(done, ms);
}

bool Visible(HWND w)
{
    return ::IsWindowVisible(w) != FALSE;
}

void HideWithCloseButton(HWND w)
{
    const LPARAM at = MAKELPARAM(878, 13);
    ::PostMessageW(w, WM_MOUSEMOVE, 0, at);
    ::PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(w, WM_LBUTTONUP, 0, at);
}

int handOvers = 0;

LRESULT CALLBACK CountHandOvers(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == app::WM_SHOWCLIENT)
        ++handOvers;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::SetEnvironmentVariableW(L"PICTAVO_STATUS_PORT", std::to_wstring(service.Port()).c_str());
        client = HelperPath("Pictavo");
        serviceClient = dir.path() + "PictavoXp.exe";
        CopyProgram(client, serviceClient);
        stub = dir.path() + "BrisvaneService.exe";
        CopyProgram(HelperPath("FakeService"), stub);
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS) {
            const wchar_t xp[] = L"winxp";
            ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(xp), sizeof(xp));
            ::RegCloseKey(key);
        }
    }
    void TearDown() override
    {
        for (HWND w : ClientWindows())
            ::PostMessageW(w, WM_CLOSE, 0, 0);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults);
        ::SetEnvironmentVariableW(L"PICTAVO_STATUS_PORT", nullptr);
    }

    // Starts an ordinary client and waits for its window to show.
    std::unique_ptr<ChildProcess> StartFirst()
    {
        auto first = std::make_unique<ChildProcess>(std::vector<std::string> {client});
        EXPECT_TRUE(WaitFor([] { return ClientWindows().size() == 1 && Visible(ClientWindows()[0]); }));
        return first;
    }

    TempDir dir;
    platform::TcpListener service;
    std::string client, serviceClient, stub;
};

} // namespace

TEST_F(InstanceTest, SecondStartsHandOverToTheRunningClient)
{
    auto first = StartFirst();
    ASSERT_EQ(ClientWindows().size(), 1u);
    const HWND window = ClientWindows()[0];
    auto fromFirst = service.Accept(15000);
    ASSERT_TRUE(fromFirst);

    HideWithCloseButton(window);
    ASSERT_TRUE(WaitFor([&] { return !Visible(window); }));
    EXPECT_EQ(ChildProcess({client}).Wait(), 0);
    EXPECT_TRUE(Visible(window)) << "an ordinary second start shows the hidden client";
    EXPECT_EQ(ClientWindows().size(), 1u);

    HideWithCloseButton(window);
    ASSERT_TRUE(WaitFor([&] { return !Visible(window); }));
    {
        const std::string held = dir.path() + "held", release = dir.path() + "release";
        ChildProcess marker({HelperPath("MarkerHolder"), held, release});
        ASSERT_TRUE(WaitForFile(held));
        EXPECT_EQ(ChildProcess({stub, serviceClient}).Wait(), 0);
        dir.Write("release", "");
        EXPECT_EQ(marker.Wait(), 0);
    }
    EXPECT_TRUE(Visible(window)) << "a tray-only second start shows the hidden client";

    // A one-shot run takes no part in the hand-over: it makes its pass,
    // reports on a connection of its own, and ends. (It reports a next
    // change time that differs from none.)
    const std::string serviceConfig =
        ServiceConfigDir(5, GetWindowsFolder(), GetCurrentUserName()) + "Config.ini";
    platform::ForceDirectories(serviceConfig.substr(0, serviceConfig.rfind('\\') + 1));
    {
        const std::string ini = "[Config]\r\nLastChangeTime=1000\r\n";
        const platform::FilePtr f = platform::OpenStdFile(serviceConfig, "wb");
        ASSERT_TRUE(f && std::fwrite(ini.data(), 1, ini.size(), f.get()) == ini.size());
    }
    ChildProcess oneShot({stub, serviceClient});
    auto fromOneShot = service.Accept(15000);
    ASSERT_TRUE(fromOneShot);
    EXPECT_TRUE(ReceiveStatus(*fromOneShot, 15000));
    EXPECT_EQ(oneShot.Wait(), 0);
    EXPECT_EQ(ClientWindows(), std::vector<HWND> {window});
    platform::RemoveFile(serviceConfig);

    ::PostMessageW(window, WM_CLOSE, 10, 10);
    EXPECT_EQ(first->Wait(), 0);
}

TEST_F(InstanceTest, AfterTheFirstClientEndsTheNextStartIsTheFirstAgain)
{
    auto first = StartFirst();
    ::PostMessageW(ClientWindows()[0], WM_CLOSE, 0, 0);
    EXPECT_EQ(first->Wait(), 0);
    ASSERT_TRUE(ClientWindows().empty());

    auto next = StartFirst();
    ASSERT_EQ(ClientWindows().size(), 1u);
    ::PostMessageW(ClientWindows()[0], WM_CLOSE, 0, 0);
    EXPECT_EQ(next->Wait(), 0);
}

// This process plays a first client that holds the name: its window comes
// only after the second start has begun looking, and later it stops answering.
TEST_F(InstanceTest, ASecondStartWaitsForAStartingClientAndGivesUpOnAHungOne)
{
    const platform::win::Handle name(::CreateMutexW(nullptr, FALSE, app::kInstanceMutex));
    ASSERT_TRUE(name);
    handOvers = 0;
    WNDCLASSW cls {};
    cls.lpfnWndProc = CountHandOvers;
    cls.hInstance = ::GetModuleHandleW(L"kernel32.dll"); // beside the program's own class of that name
    cls.lpszClassName = app::kMainFormClass;
    ASSERT_TRUE(::RegisterClassW(&cls));

    ChildProcess second({client});
    platform::MainThreadWait([] { return false; }, 1000); // the first client is still starting
    const HWND window = ::CreateWindowExW(0, app::kMainFormClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          cls.hInstance, nullptr);
    EXPECT_TRUE(WaitFor([] { return handOvers == 1; }));
    EXPECT_EQ(second.Wait(), 0);

    // Not pumping from here on, the first client hangs.
    ChildProcess third({client});
    const int code = third.Wait(20000);
    WaitFor([] { return false; }, 200); // serve a send still waiting, if any, before the child is reaped
    EXPECT_EQ(code, 0) << "the second start hung with the first";
    ::DestroyWindow(window);
    ::UnregisterClassW(app::kMainFormClass, cls.hInstance);
}

// A start made while the client is closing is turned away by it: the start
// waits for that client to end and then runs, showing its window.
TEST_F(InstanceTest, AStartWhileTheClientClosesWaitsAndThenShows)
{
    ChildProcess closing({HelperPath("ClientControl"), "closing", "3000"});
    ASSERT_TRUE(WaitFor([] { return ClientWindows().size() == 1; }));
    const HWND old = ClientWindows()[0];
    ChildProcess next({client});
    EXPECT_EQ(closing.Wait(), 0) << "the start did not ask the closing client";
    EXPECT_TRUE(WaitFor([&] {
        const auto windows = ClientWindows();
        return windows.size() == 1 && windows[0] != old && Visible(windows[0]);
    })) << "the start ended with no client on the screen";
    EXPECT_EQ(next.Wait(100), -1);
    for (HWND w : ClientWindows())
        ::PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(next.Wait(), 0);
}
