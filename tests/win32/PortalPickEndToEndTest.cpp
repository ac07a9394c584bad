// A portal pick through the whole Windows program: a renamed copy of
// Pictavo.exe under the X display, its bridge driven as the browser control
// drives it (through the test hook: Wine's control cannot run the portal's
// script), a picture served over HTTP, the desktop wallpaper read back and the
// status record at a stand-in service.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/BridgeTestHook.h"
#include "platform/FileSystem.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "support/ChildProcess.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

using platform::win::Narrow;
using platform::win::Wide;
using namespace testing_support;

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (done())
            return true;
        ::Sleep(50);
    }
    return done();
}

// A program started with its output in a file, ended when the test ends.
class Launched {
public:
    Launched(const std::string& program, const std::string& arguments, const std::string& output = {})
    {
        SECURITY_ATTRIBUTES inherit {sizeof(inherit), nullptr, TRUE};
        STARTUPINFOW si {};
        si.cb = sizeof(si);
        if (!output.empty()) {
            out_.reset(::CreateFileW(Wide(output).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     CREATE_ALWAYS, 0, nullptr));
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = si.hStdError = out_.get();
        }
        std::wstring line = L"\"" + Wide(program) + L"\" " + Wide(arguments);
        PROCESS_INFORMATION pi {};
        if (::CreateProcessW(Wide(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                             &pi)) {
            process_.reset(pi.hProcess);
            ::CloseHandle(pi.hThread);
            id_ = pi.dwProcessId;
        }
    }
    ~Launched()
    {
        if (process_ && !Ended(0))
            ::TerminateProcess(process_.get(), 1);
    }
    Launched(const Launched&) = delete;
    Launched& operator=(const Launched&) = delete;

    DWORD Id() const { return id_; }
    bool Ended(DWORD timeoutMs) const { return ::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0; }

private:
    platform::win::FileHandle out_;
    platform::win::Handle process_;
    DWORD id_ = 0;
};

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] {};
    ::GetClassNameW(window, name, 64);
    if (owner != search->processId || std::wstring(name) != L"TBrisvaneMainForm")
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND MainWindowOf(DWORD processId)
{
    WindowSearch search {processId, nullptr};
    ::EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT CALLBACK CollectReply(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    auto* out = reinterpret_cast<std::string*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (data->dwData == app::win::kTestNavigationsTag && data->lpData)
        out->assign(static_cast<const char*>(data->lpData), data->cbData);
    return 1;
}

// The URLs the client's view was sent to, asked through the test hook.
std::vector<std::string> Navigations(HWND client)
{
    std::string reply;
    const HWND me = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(me, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
    ::SetWindowLongPtrW(me, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CollectReply));
    COPYDATASTRUCT ask {app::win::kTestNavigationsTag, 0, nullptr};
    ::SendMessageW(client, WM_COPYDATA, reinterpret_cast<WPARAM>(me), reinterpret_cast<LPARAM>(&ask));
    ::DestroyWindow(me);
    std::vector<std::string> urls;
    for (std::size_t at = 0, end; (end = reply.find('\n', at)) != std::string::npos; at = end + 1)
        urls.push_back(reply.substr(at, end - at));
    return urls;
}

HRESULT Pick(HWND client, const std::wstring& request)
{
    COPYDATASTRUCT data {app::win::kTestPickTag, static_cast<DWORD>(request.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(request.data())};
    return static_cast<HRESULT>(
        ::SendMessageW(client, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
}

// As a fresh process reads it: a process keeps the value it read first.
std::string DesktopWallpaper(const TempDir& dir)
{
    const std::string out = dir.path() + "wallpaper.txt";
    platform::RemoveFile(out);
    ChildProcess reader({HelperPath("DeskWallpaper"), out});
    return reader.Wait() == 0 ? ReadFileBytes(out) : std::string("<unreadable>");
}

int Lines(const std::string& path)
{
    int n = 0;
    for (char c : ReadFileBytes(path))
        n += c == '\n';
    return n;
}

// This user's Config.ini, put back as it was afterwards.
class ConfigFileScope {
public:
    explicit ConfigFileScope(const std::string& contents)
    {
        wchar_t appData[MAX_PATH] {};
        ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        const std::string dir = Narrow(appData) + "\\Brisvane\\";
        platform::ForceDirectories(dir);
        path_ = dir + "Config.ini";
        hadFile_ = platform::FileExists(path_);
        if (hadFile_)
            saved_ = ReadFileBytes(path_);
        Write(contents);
    }
    ~ConfigFileScope()
    {
        if (hadFile_)
            Write(saved_);
        else
            platform::RemoveFile(path_);
    }
    ConfigFileScope(const ConfigFileScope&) = delete;
    ConfigFileScope& operator=(const ConfigFileScope&) = delete;

private:
    void Write(const std::string& bytes) const
    {
        const auto f = platform::OpenStdFile(path_, "wb");
        if (f)
            std::fwrite(bytes.data(), 1, bytes.size(), f.get());
    }
    std::string path_, saved_;
    bool hadFile_ = false;
};

TEST(PortalPickEndToEnd, PickedPictureIsDownloadedAppliedAndReported)
{
    TempDir dir;
    const std::string walls = dir.path() + "Walls\\";
    ASSERT_TRUE(platform::ForceDirectories(walls));
    const ConfigFileScope config("[Config]\r\nChangeTime=0\r\nAutoRun=0\r\nWallPaperDir=" + walls + "\r\n");

    TestHttpServer portal;
    portal.Serve("/", TestResponse::Make(200, "<html><body>portal</body></html>"));
    portal.Serve("/pics/harbour.jpg", TestResponse::Make(200, MakeFlatJpeg(64, 40, {30, 90, 160})));
    const std::string portalUrl = portal.Url("/");

    const std::uint16_t statusPort = TestHttpServer::UnusedPort();
    const std::string records = dir.path() + "records.txt";
    Launched service(HelperPath("BrisvaneService"), "--port " + std::to_string(statusPort), records);

    // Started from a file of another name, it still finds its loading page.
    const std::string program = dir.path() + "Brisvane Wall Client.exe";
    CopyProgram(HelperPath("Pictavo"), program);
    ::SetEnvironmentVariableW(L"PICTAVO_TEST_HOOKS", L"1");
    ::SetEnvironmentVariableW(L"PICTAVO_PORTAL_URL", Wide(portalUrl).c_str());
    ::SetEnvironmentVariableW(L"PICTAVO_STATUS_PORT", std::to_wstring(statusPort).c_str());
    Launched client(program, "");
    for (const wchar_t* name : {L"PICTAVO_TEST_HOOKS", L"PICTAVO_PORTAL_URL", L"PICTAVO_STATUS_PORT"})
        ::SetEnvironmentVariableW(name, nullptr);

    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = MainWindowOf(client.Id())) != nullptr && ::IsWindowVisible(window); }));
    const std::vector<std::string> sent {"res://Brisvane Wall Client.exe/Loading", portalUrl};
    EXPECT_EQ(Navigations(window), sent);
    {
        // What res: will open: the resource LOADING of the file named in the URL.
        const platform::win::Module file(::LoadLibraryExW(Wide(program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        EXPECT_NE(::FindResourceW(file.get(), L"Loading", MAKEINTRESOURCEW(23)), nullptr);
    }
    ASSERT_TRUE(WaitFor([&] { return Lines(records) >= 2; })) << ReadFileBytes(records); // listening + first report

    // No listed variant fits the 1280 x 800 screen, so the address before "?" is fetched.
    const std::wstring request = Wide(portal.Url("/pics/harbour.jpg") + "?v=pics/harbour,1024,768.jpg");
    ASSERT_EQ(Pick(window, request), S_OK);
    const std::string saved = walls + "harbour.jpg";
    EXPECT_TRUE(WaitFor([&] { return DesktopWallpaper(dir) == saved; })) << DesktopWallpaper(dir);
    EXPECT_EQ(ReadFileBytes(saved).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(portal.Requests("/pics/harbour.jpg"), 1);
    // The pick restarts the period (from 0 to now), which the worker reports.
    ASSERT_TRUE(WaitFor([&] { return Lines(records) >= 3; })) << ReadFileBytes(records);
    const std::string log = ReadFileBytes(records);
    const std::string afterPick = log.substr(log.find('\n', log.find('\n') + 1) + 1);
    EXPECT_EQ(afterPick.find("NextChangeTime="), 0u) << log;
    EXPECT_EQ(afterPick.find("(0)"), std::string::npos) << log;

    // Hidden to the tray and shown again by tray clicks, and by a second
    // start's message. Wine's control cannot show the portal (it has no
    // engine to render it), so each showing may ask for the portal again,
    // and for nothing else.
    constexpr UINT kTrayMessage = WM_APP + 1;
    ::SendMessageW(window, kTrayMessage, 0, WM_LBUTTONUP);
    EXPECT_FALSE(::IsWindowVisible(window));
    ::SendMessageW(window, kTrayMessage, 0, WM_LBUTTONUP);
    EXPECT_TRUE(::IsWindowVisible(window));
    ::SendMessageW(window, 18621 /* WM_SHOWCLIENT */, 0, 0);
    const std::vector<std::string> after = Navigations(window);
    ASSERT_GE(after.size(), sent.size());
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 2), sent);
    for (auto again = after.begin() + 2; again != after.end(); ++again)
        EXPECT_EQ(*again, portalUrl);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(client.Ended(15000));
}

} // namespace
