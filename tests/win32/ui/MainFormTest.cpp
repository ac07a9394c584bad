// The main window in this process, with a worker that reports to a test
// listener and "applies" wallpapers into a list, and the tray calls recorded.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <array>
#include <cstdlib>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "app/win32/UnitMain.h"
#include "config/uAppConfig.h"
#include "platform/Dispatcher.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "support/PictureMaker.h"
#include "support/StatusReceiver.h"
#include "support/TestHttpServer.h"
#include "support/TempDir.h"
#include "ui/win32/Scaled.h"
#include "ui/win32/Texts.h"
#include "ui/win32/UnitCfg.h"

using app::TBrisvaneMainForm;

namespace {

std::array<long, 4> Box(const RECT& r)
{
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
        AppConfig->LoadFromDir(dir.path() + "cfg");
    }
    void TearDown() override
    {
        cfg.reset();
        form.reset();
        AppConfig.reset();
    }

    TBrisvaneMainForm& Make(bool oneShot = false, bool trayOnly = false, LANGID language = ui::kChineseTexts)
    {
        app::TMainFormOptions options;
        options.Language = language;
        options.OneShotRun = oneShot;
        options.TrayOnlyRun = trayOnly;
        options.WorkEnv.statusPort = service.Port();
        options.WorkEnv.applyWallPaper = [this](const std::string& file, std::uint8_t) {
            inApply = true;
            for (int i = 0; i < 1000 && holdApply; ++i)
                ::Sleep(10);
            {
                std::lock_guard<std::mutex> guard(appliedLock);
                lastApplied = file;
            }
            ++applied;
            return true;
        };
        options.Explore = [this](HWND, const std::wstring& folder) { explored.push_back(folder); };
        options.NotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
            tray.push_back(message);
            if (message == NIM_MODIFY && (data->uFlags & NIF_INFO)) {
                balloons.emplace_back(data->szInfoTitle, data->szInfo);
                return trayAnswers.load();
            }
            tip = data->szTip;
            if (message == NIM_ADD && addTimesOut)
                return false;
            return trayAnswers.load();
        };
        options.TrayRetryInterval = std::chrono::milliseconds(20);
        if (slowScreen)
            options.WorkEnv.screen = slowScreen;
        options.Terminate = [this] { ++terminations; };
        form = std::make_unique<TBrisvaneMainForm>(std::move(options));
        form->OnFormShow = [this] { ++formShows; };
        return *form;
    }

    void TrayClick() { ::SendMessageW(form->Handle(), TBrisvaneMainForm::kTrayMessage, 1, WM_LBUTTONUP); }
    bool Visible() const { return ::IsWindowVisible(form->Handle()) != FALSE; }

    // Makes the worker's next pass rotate to a.jpg, and that pass slow: it
    // waits in the screen query until `until` answers true (10 s at most).
    std::string SlowPassAhead(std::function<bool()> until)
    {
        const std::string picture =
            dir.Write("cfg\\WallPaper\\a.jpg", testing_support::MakeFlatJpeg(64, 48, {200, 40, 40}));
        slowScreen = [this, until = std::move(until)] {
            inPass = true;
            for (int i = 0; i < 1000 && !until(); ++i)
                ::Sleep(10);
            return platform::ScreenSize {};
        };
        return picture;
    }
    void MakeRotationDue()
    {
        AppConfig->LoadWallPaperList();
        AppConfig->SetChangeTime(1);
        AppConfig->SetLastChangeTime(0);
    }

    testing_support::TempDir dir;
    platform::TcpListener service;
    std::unique_ptr<TBrisvaneMainForm> form;
    std::unique_ptr<ui::TFormCfg> cfg;
    std::atomic<int> applied {0};
    std::atomic<bool> inApply {false};
    std::atomic<bool> holdApply {false}; // keeps the desktop call waiting
    std::mutex appliedLock;
    std::string lastApplied;
    std::vector<std::wstring> explored;
    std::vector<DWORD> tray;
    std::atomic<bool> trayAnswers {true};
    std::atomic<bool> addTimesOut {false}; // NIM_ADD fails although the shell took the icon
    std::function<platform::ScreenSize()> slowScreen;
    std::atomic<bool> inPass {false};
    std::wstring tip;
    std::vector<std::pair<std::wstring, std::wstring>> balloons; // title, text
    int terminations = 0;
    int formShows = 0;
};

} // namespace

TEST_F(MainFormTest, ABorderlessCentredWindowWithItsButtonsAndPortalArea)
{
    TBrisvaneMainForm& f = Make();
    wchar_t cls[64] {};
    ::GetClassNameW(f.Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TBrisvaneMainForm");
    RECT window;
    ::GetWindowRect(f.Handle(), &window);
    ASSERT_EQ(f.Dpi(), 96) << "the test display runs at 96 dpi";
    EXPECT_EQ(window.right - window.left, 895) << "no border";
    EXPECT_EQ(window.left, (::GetSystemMetrics(SM_CXSCREEN) - 895) / 2);
    EXPECT_EQ(window.top, (::GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
    EXPECT_TRUE(::GetWindowLongW(f.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW) << "its own taskbar button";

    // At each scale (a move to another monitor tells the window its DPI and
    // where to go) everything is the 96 dpi design, in proportion.
    for (const int dpi : {96, 144, 192, 96}) {
        SCOPED_TRACE(dpi);
        const auto s = [dpi](long v) { return static_cast<long>(v * dpi / 96.0 + 0.5); };
        RECT suggested {40, 30, 40 + s(895), 30 + s(600)};
        ::SendMessageW(f.Handle(), ui::kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        const auto closeTo = [](std::array<long, 4> got, std::array<long, 4> want) {
            for (std::size_t i = 0; i < got.size(); ++i)
                if (std::abs(got[i] - want[i]) > 1)
                    return false;
            return true;
        };
        RECT client;
        ::GetClientRect(f.Handle(), &client);
        ::GetWindowRect(f.Handle(), &window);
        EXPECT_EQ(Box(client), (std::array<long, 4> {0, 0, s(895), s(600)}));
        EXPECT_EQ(window.left, 40) << "where the system suggested";
        RECT area;
        ::GetWindowRect(f.PortalArea(), &area);
        ::MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&area), 2);
        EXPECT_PRED2(closeTo, Box(area), (std::array<long, 4> {0, s(27), s(895), s(550)}));
        EXPECT_PRED2(closeTo, Box(f.BtnCfg.BoundsRect()), (std::array<long, 4> {s(828), 0, s(21), s(26)}));
        EXPECT_PRED2(closeTo, Box(f.BtnMini.BoundsRect()), (std::array<long, 4> {s(848), 0, s(21), s(26)}));
        EXPECT_PRED2(closeTo, Box(f.BtnClose.BoundsRect()), (std::array<long, 4> {s(868), 0, s(21), s(26)}));
    }

    // An ordinary start: tray icon now, window when the loop starts.
    EXPECT_TRUE(f.ShowMainWindowAtStart());
    EXPECT_FALSE(Visible());
    EXPECT_EQ(tray, std::vector<DWORD> {NIM_ADD});
    EXPECT_EQ(tip, L"Pictavo");
    EXPECT_TRUE(f.FWorkThread && f.FWorkThread->Active());
    // A new taskbar (the shell restarted) gets the icon again.
    ::SendMessageW(f.Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    form.reset();
    EXPECT_EQ(tray, (std::vector<DWORD> {NIM_ADD, NIM_ADD, NIM_DELETE}));
}

TEST_F(MainFormTest, CloseAndMinimiseButtonsHideWhileTheWorkerRotates)
{
    dir.Write("cfg\\WallPaper\\a.jpg", testing_support::MakeFlatJpeg(64, 48, {200, 40, 40}));
    dir.Write("cfg\\WallPaper\\b.jpg", testing_support::MakeFlatJpeg(64, 48, {40, 200, 40}));
    TBrisvaneMainForm& f = Make();
    f.Show();
    ui_test::ClickAt(f.Handle(), 878, 13); // close
    EXPECT_FALSE(Visible());
    f.ShowFromTray();
    EXPECT_TRUE(Visible());
    ui_test::ClickAt(f.Handle(), 858, 13); // minimise
    EXPECT_FALSE(Visible());
    EXPECT_FALSE(::IsIconic(f.Handle())) << "hidden, not minimised";
    EXPECT_EQ(terminations, 0);

    // Hidden, the worker still changes the wallpaper when one is due.
    AppConfig->LoadWallPaperList();
    AppConfig->SetChangeTime(1);
    AppConfig->SetLastChangeTime(0);
    EXPECT_TRUE(platform::MainThreadWait([this] { return applied > 0; }, 10000));
    EXPECT_EQ(formShows, 1);
}

TEST_F(MainFormTest, TrayClickTogglesTheWindowAndRestoresAMinimisedOne)
{
    TBrisvaneMainForm& f = Make();
    f.Show();
    TrayClick();
    EXPECT_FALSE(Visible());
    TrayClick();
    EXPECT_TRUE(Visible());
    ::ShowWindow(f.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(f.Handle()));
    TrayClick();
    EXPECT_FALSE(::IsIconic(f.Handle()));
    EXPECT_TRUE(Visible());
    EXPECT_EQ(formShows, 1) << "showing again must not reload the portal";
}

TEST_F(MainFormTest, RunModesDecideWhatShows)
{
    TBrisvaneMainForm& trayOnly = Make(false, true);
    EXPECT_FALSE(trayOnly.ShowMainWindowAtStart());
    EXPECT_EQ(tray, std::vector<DWORD> {NIM_ADD});
    EXPECT_EQ(formShows, 0);
    ::SendMessageW(trayOnly.Handle(), app::WM_SHOWCLIENT, 0, 0);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(formShows, 1);

    form.reset();
    tray.clear();
    TBrisvaneMainForm& oneShot = Make(true);
    EXPECT_FALSE(oneShot.ShowMainWindowAtStart());
    EXPECT_TRUE(oneShot.FWorkThread->Active());
    form.reset();
    EXPECT_TRUE(tray.empty()) << "a one-shot run has no tray icon";
}

TEST_F(MainFormTest, EveryCloseEndsTheProgramAndTheTrayMenuExitCloses)
{
    TBrisvaneMainForm& f = Make();
    ::SendMessageW(f.Handle(), WM_CLOSE, 10, 10);
    ::SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenu2, 0);
    EXPECT_EQ(terminations, 3);
}

TEST_F(MainFormTest, TheNextItemStepsOnceToTheNextPictureAndTellsTheService)
{
    dir.Write("cfg\\WallPaper\\a.jpg", testing_support::MakeFlatJpeg(64, 48, {200, 40, 40}));
    dir.Write("cfg\\WallPaper\\b.jpg", testing_support::MakeFlatJpeg(64, 48, {40, 200, 40}));
    dir.Write("cfg\\WallPaper\\c.jpg", testing_support::MakeFlatJpeg(64, 48, {40, 40, 200}));
    AppConfig->LoadWallPaperList();
    const auto list = AppConfig->WallPaperList();
    ASSERT_EQ(list.size(), 3u);
    AppConfig->SetWallPaper(list[0]);
    AppConfig->SetChangeTime(0); // never on its own: every change here is a press
    AppConfig->SetLastChangeTime(1);
    TBrisvaneMainForm& f = Make();
    const auto connection = service.Accept(10000);
    ASSERT_TRUE(connection);
    auto status = testing_support::ReceiveStatus(*connection, 10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->NextChangeTime, 1);

    holdApply = true;
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuNext, 0);
    ASSERT_TRUE(platform::MainThreadWait([this] { return inApply.load(); }, 10000));
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuNext, 0); // while the step runs
    holdApply = false;
    ASSERT_TRUE(platform::MainThreadWait([this] { return applied > 0; }, 10000));
    EXPECT_FALSE(platform::MainThreadWait([this] { return applied > 1; }, 500)) << "the second press ran a step";
    {
        std::lock_guard<std::mutex> guard(appliedLock);
        EXPECT_EQ(lastApplied, list[1]);
    }
    EXPECT_EQ(AppConfig->WallPaper(), list[1]);
    status = testing_support::ReceiveStatus(*connection, 10000);
    ASSERT_TRUE(status) << "no record after the step";
    EXPECT_EQ(status->NextChangeTime, AppConfig->LastChangeTime());
    EXPECT_GT(status->NextChangeTime, 1);

    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuNext, 0); // the step ended: this one counts
    ASSERT_TRUE(platform::MainThreadWait([this] { return applied > 1; }, 10000));
    EXPECT_EQ(AppConfig->WallPaper(), list[2]);
}

TEST_F(MainFormTest, TheNextItemWithAnEmptyFolderSaysSoFromTheTray)
{
    TBrisvaneMainForm& f = Make();
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuNext, 0);
    ASSERT_TRUE(platform::MainThreadWait([&] { return !balloons.empty(); }, 10000));
    EXPECT_EQ(balloons[0].first, L"下一张壁纸");
    EXPECT_EQ(balloons[0].second, L"壁纸文件夹里没有图片。");
    EXPECT_EQ(applied, 0);
}

TEST_F(MainFormTest, TheFolderItemMakesAMissingFolderAndExploresIt)
{
    TBrisvaneMainForm& f = Make();
    const std::string folder = AppConfig->WallPaperDir();
    ::RemoveDirectoryW(platform::win::Wide(folder).c_str());
    ASSERT_FALSE(platform::DirectoryExists(folder));
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuFolder, 0);
    EXPECT_TRUE(platform::DirectoryExists(folder));
    EXPECT_EQ(explored, std::vector<std::wstring> {platform::win::Wide(folder)});

    // Under a file, the folder cannot be made: the user is told, nothing opens.
    const std::string blocker = dir.Write("blocker", "a file");
    ASSERT_TRUE(AppConfig->SetWallPaperDir(blocker + "\\WallPaper\\"));
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenuFolder, 0);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].first, L"打开壁纸文件夹");
    EXPECT_EQ(explored.size(), 1u);
}

TEST_F(MainFormTest, TheSettingsItemDoesNothingWhileTheDialogIsOpen)
{
    TBrisvaneMainForm& f = Make();
    cfg = std::make_unique<ui::TFormCfg>(f.Handle(), [] {});
    f.FormCfg = cfg.get();
    f.Show();
    bool checked = false;
    ui_test::Later([&] {
        EXPECT_TRUE(cfg->Visible());
        EXPECT_FALSE(::IsWindowEnabled(f.Handle())) << "modal over the main window";
        // A second showing would run a loop of its own and not come back
        // until the dialog closed; this one must return at once.
        ::PostMessageW(cfg->Button2, BM_CLICK, 0, 0);
        ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenu1, 0);
        checked = cfg->Visible();
    });
    ::SendMessageW(f.Handle(), WM_COMMAND, TBrisvaneMainForm::idPopMenu1, 0);
    EXPECT_TRUE(checked) << "the second request showed the dialog again";
    EXPECT_FALSE(cfg->Visible());
    EXPECT_TRUE(::IsWindowEnabled(f.Handle()));
}

// Stopping the worker waits for its pass while the window's messages are
// served: a second start's hand-over or a tray click then must not reach a
// window that is being torn down.
TEST_F(MainFormTest, AHandOverDuringShutdownIsRefused)
{
    std::atomic<bool> released {false};
    SlowPassAhead([&] { return released.load(); });
    TBrisvaneMainForm& f = Make(false, true); // tray-only: never shown yet
    MakeRotationDue();
    ASSERT_TRUE(platform::MainThreadWait([this] { return inPass.load(); }, 10000));
    const HWND window = f.Handle();
    std::atomic<bool> closing {false};
    bool shownMeanwhile = false;
    DWORD_PTR handOverAnswer = 0;
    std::thread secondStart([&] {
        while (!closing)
            ::Sleep(1);
        for (const auto& [message, lParam] : {std::pair {app::WM_SHOWCLIENT, LPARAM {0}},
                                              std::pair {TBrisvaneMainForm::kTrayMessage, LPARAM {WM_LBUTTONUP}}}) {
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(window, message, 0, lParam, SMTO_NORMAL, 5000, &answer);
            if (message == app::WM_SHOWCLIENT)
                handOverAnswer = answer;
            shownMeanwhile = shownMeanwhile || ::IsWindowVisible(window);
        }
        released = true;
    });
    closing = true;
    form.reset();
    secondStart.join();
    EXPECT_FALSE(shownMeanwhile);
    EXPECT_EQ(LRESULT(handOverAnswer), app::kShowClientRefused) << "the start was not told to wait and run itself";
    EXPECT_EQ(formShows, 0);
}

TEST_F(MainFormTest, LogOffLetsThePassWriteItsSettingsFirst)
{
    std::atomic<bool> endSession {false};
    const std::string picture = SlowPassAhead([&] { return endSession.load(); });
    TBrisvaneMainForm& f = Make();
    MakeRotationDue();
    ASSERT_TRUE(platform::MainThreadWait([this] { return inPass.load(); }, 10000));
    EXPECT_TRUE(::SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    endSession = true;
    ::SendMessageW(f.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // The session may end the process from here on.
    TAppConfig reread(TRunModeInputs {});
    reread.LoadFromDir(AppConfig->ConfigDir());
    EXPECT_EQ(reread.WallPaper(), picture);
    EXPECT_EQ(terminations, 1);
}

TEST_F(MainFormTest, WithoutATrayIconTheButtonsMinimiseUntilARetryAddsIt)
{
    trayAnswers = false; // the shell is not ready yet
    TBrisvaneMainForm& f = Make();
    f.Show();
    ui_test::ClickAt(f.Handle(), 878, 13); // close
    EXPECT_TRUE(::IsIconic(f.Handle())) << "hidden with nothing to bring it back";
    ::ShowWindow(f.Handle(), SW_RESTORE);

    const std::size_t refused = tray.size();
    trayAnswers = true;
    ASSERT_TRUE(platform::MainThreadWait([&] { return tray.size() > refused; }, 10000));
    const std::size_t calls = tray.size();
    ui_test::ClickAt(f.Handle(), 858, 13); // minimise
    EXPECT_FALSE(Visible());
    EXPECT_FALSE(::IsIconic(f.Handle()));
    platform::MainThreadWait([] { return false; }, 200);
    EXPECT_EQ(tray.size(), calls) << "no more adds once the icon is there";
}

TEST_F(MainFormTest, AnAddThatTimedOutStillCountsAndTheIconIsAlwaysRemovedAtExit)
{
    addTimesOut = true;
    TBrisvaneMainForm& f = Make();
    f.Show();
    ui_test::ClickAt(f.Handle(), 878, 13); // close
    EXPECT_FALSE(Visible());
    EXPECT_FALSE(::IsIconic(f.Handle())) << "hidden to the icon the shell did take";
    form.reset();
    ASSERT_FALSE(tray.empty());
    EXPECT_EQ(tray.back(), DWORD(NIM_DELETE));

    // The taskbar is made again and refuses at first: the timer tries again.
    addTimesOut = false;
    Make();
    trayAnswers = false;
    ::SendMessageW(form->Handle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    trayAnswers = true;
    tray.clear();
    EXPECT_TRUE(platform::MainThreadWait([&] { return !tray.empty(); }, 5000));
    form.reset();
    EXPECT_EQ(tray, (std::vector<DWORD> {NIM_ADD, NIM_DELETE}));
}

// A screen reader finds the title buttons where they are drawn, as named
// push buttons in the user's language, and can press them.
TEST_F(MainFormTest, TheTitleButtonsAreNamedPushButtonsForAssistiveTechnology)
{
    using Names = std::array<std::wstring, 3>;
    for (const auto& [language, names] : {std::pair {ui::kChineseTexts, Names {L"设置", L"最小化", L"关闭"}},
                                          std::pair {ui::kEnglishTexts, Names {L"Settings", L"Minimise", L"Close"}}}) {
        SCOPED_TRACE(language);
        form.reset();
        TBrisvaneMainForm& f = Make(false, false, language);
        f.Show();
        const ui::TSkinBtn* buttons[] = {&f.BtnCfg, &f.BtnMini, &f.BtnClose};
        for (int i = 0; i < 3; ++i) {
            const RECT r = buttons[i]->BoundsRect();
            POINT middle {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ::ClientToScreen(f.Handle(), &middle);
            platform::win::ComPtr<IAccessible> found;
            VARIANT child;
            ::VariantInit(&child);
            ASSERT_EQ(::AccessibleObjectFromPoint(middle, found.put(), &child), S_OK);
            VARIANT role;
            ::VariantInit(&role);
            ASSERT_EQ(found->get_accRole(child, &role), S_OK);
            EXPECT_EQ(V_VT(&role), VT_I4);
            EXPECT_EQ(V_I4(&role), ROLE_SYSTEM_PUSHBUTTON) << i;
            BSTR name = nullptr;
            ASSERT_EQ(found->get_accName(child, &name), S_OK);
            EXPECT_EQ(std::wstring(name ? name : L""), names[i]);
            ::SysFreeString(name);
            if (i == 2) { // pressed as the screen reader would: the window hides to the tray
                EXPECT_EQ(found->accDoDefaultAction(child), S_OK);
                EXPECT_TRUE(platform::MainThreadWait([this] { return !Visible(); }, 5000));
            }
        }
    }
}

// A failed pick is told once, in the user's language: by a balloon from the
// tray icon, or by a message box while there is no tray icon.
TEST_F(MainFormTest, AFailedPickIsToldByTheTrayOrAMessageBox)
{
    testing_support::TestHttpServer http;
    http.Serve("/gone.jpg", testing_support::TestResponse::Make(404, "not here"));
    const std::string request = http.Url("/gone.jpg") + "?v=x,4,3.jpg";

    TBrisvaneMainForm& f = Make();
    f.FWorkThread->RequestDownload(request);
    ASSERT_TRUE(platform::MainThreadWait([&] { return !balloons.empty(); }, 10000));
    platform::MainThreadWait([] { return false; }, 300);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].first, L"壁纸未更换");
    EXPECT_NE(balloons[0].second.find(L"HTTP 404"), std::wstring::npos) << balloons[0].second.size();

    form.reset();
    balloons.clear();
    trayAnswers = false;
    TBrisvaneMainForm& g = Make(false, false, ui::kEnglishTexts);
    std::wstring boxText;
    std::atomic<bool> closed {false};
    std::thread reader([&] {
        for (int i = 0; i < 1000 && !closed; ++i) {
            if (const HWND box = ::FindWindowW(L"#32770", L"The wallpaper was not changed")) {
                wchar_t text[512] {};
                ::GetDlgItemTextW(box, 0xFFFF, text, 512);
                boxText = text;
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                closed = true;
            }
            ::Sleep(10);
        }
    });
    g.FWorkThread->RequestDownload(request);
    platform::MainThreadWait([&] { return closed.load(); }, 10000);
    reader.join();
    EXPECT_TRUE(closed) << "no message box";
    EXPECT_EQ(boxText, L"The portal answered with an error (HTTP 404).");
    EXPECT_TRUE(balloons.empty());
}
