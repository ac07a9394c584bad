// The main window in this process, with a worker that reports to a test
// listener and "applies" wallpapers into a list, and the tray calls recorded.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include "UiTestSupport.h"
#include "app/win32/UnitMain.h"
#include "config/uAppConfig.h"
#include "platform/Dispatcher.h"
#include "platform/TcpSocket.h"
#include "support/PictureMaker.h"
#include "support/TempDir.h"
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

    TBrisvaneMainForm& Make(bool oneShot = false, bool trayOnly = false)
    {
        app::TMainFormOptions options;
        options.OneShotRun = oneShot;
        options.TrayOnlyRun = trayOnly;
        options.WorkEnv.statusPort = service.Port();
        options.WorkEnv.applyWallPaper = [this](const std::string&, std::uint8_t) {
            ++applied;
            return true;
        };
        options.NotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
            tray.push_back(message);
            tip = data->szTip;
            return true;
        };
        options.Terminate = [this] { ++terminations; };
        form = std::make_unique<TBrisvaneMainForm>(std::move(options));
        form->OnFormShow = [this] { ++formShows; };
        return *form;
    }

    void TrayClick() { ::SendMessageW(form->Handle(), TBrisvaneMainForm::kTrayMessage, 1, WM_LBUTTONUP); }
    bool Visible() const { return ::IsWindowVisible(form->Handle()) != FALSE; }

    testing_support::TempDir dir;
    platform::TcpListener service;
    std::unique_ptr<TBrisvaneMainForm> form;
    std::unique_ptr<ui::TFormCfg> cfg;
    std::atomic<int> applied {0};
    std::vector<DWORD> tray;
    std::wstring tip;
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
    RECT client, window;
    ::GetClientRect(f.Handle(), &client);
    ::GetWindowRect(f.Handle(), &window);
    EXPECT_EQ(Box(client), (std::array<long, 4> {0, 0, 895, 600}));
    EXPECT_EQ(window.right - window.left, 895) << "no border";
    EXPECT_EQ(window.left, (::GetSystemMetrics(SM_CXSCREEN) - 895) / 2);
    EXPECT_EQ(window.top, (::GetSystemMetrics(SM_CYSCREEN) - 600) / 2);
    EXPECT_TRUE(::GetWindowLongW(f.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW) << "its own taskbar button";

    EXPECT_EQ(Box(f.BtnCfg.BoundsRect()), (std::array<long, 4> {828, 0, 21, 26}));
    EXPECT_EQ(Box(f.BtnMini.BoundsRect()), (std::array<long, 4> {848, 0, 21, 26}));
    EXPECT_EQ(Box(f.BtnClose.BoundsRect()), (std::array<long, 4> {868, 0, 21, 26}));
    RECT area;
    ::GetWindowRect(f.PortalArea(), &area);
    ::MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(Box(area), (std::array<long, 4> {0, 27, 895, 550}));

    // An ordinary start: tray icon now, window when the loop starts.
    EXPECT_TRUE(f.ShowMainWindowAtStart());
    EXPECT_FALSE(Visible());
    EXPECT_EQ(tray, std::vector<DWORD> {NIM_ADD});
    EXPECT_EQ(tip, L"Pictavo");
    EXPECT_TRUE(f.FWorkThread && f.FWorkThread->Active());
    form.reset();
    EXPECT_EQ(tray, (std::vector<DWORD> {NIM_ADD, NIM_DELETE}));
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
