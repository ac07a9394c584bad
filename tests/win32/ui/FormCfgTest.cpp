// The settings dialog driven through its real controls: what it shows of
// AppConfig, what a confirm stores and reports, what a cancel keeps.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "UiTestSupport.h"
#include "config/uAppConfig.h"
#include "engine/uWorkThread.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "platform/win32/WinText.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"
#include "ui/IntervalTable.h"
#include "ui/win32/UnitCfg.h"

using platform::win::Narrow;
using platform::win::Wide;
using ui::TFormCfg;

namespace {

std::wstring Text(HWND window)
{
    wchar_t text[512] {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

bool Ticked(HWND checkBox)
{
    return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class FormCfgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
        AppConfig->LoadFromDir(dir.path() + "cfg");
        owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 100, 100, 895, 600, nullptr, nullptr, nullptr,
                                  nullptr);
    }
    void TearDown() override
    {
        form.reset();
        if (worker)
            worker.reset();
        ::DestroyWindow(owner);
        AppConfig.reset();
    }

    TFormCfg& Form()
    {
        if (!form)
            form = std::make_unique<TFormCfg>(owner, [this] {
                ++statusCalls;
                if (worker)
                    worker->SendStatus();
            });
        return *form;
    }

    // Clicks a button of the dialog while it is shown modally.
    void ClickModal(HWND button)
    {
        ::PostMessageW(button, BM_CLICK, 0, 0);
        Form().ShowModal();
    }

    bool ConfigWritten() const { return platform::FileExists(AppConfig->ConfigFile()); }

    testing_support::TempDir dir;
    HWND owner = nullptr;
    std::unique_ptr<TFormCfg> form;
    std::shared_ptr<engine::TWorkThread> worker;
    int statusCalls = 0;
};

// Answers the first message box titled "设置" with OK and keeps its texts.
class MessageBoxWatch {
public:
    MessageBoxWatch()
        : thread_([this] {
              for (int i = 0; i < 500 && !stop_; ++i) {
                  if (const HWND box = ::FindWindowW(L"#32770", L"设置")) {
                      ::Sleep(50);
                      texts_ = ui_test::AllTexts(box);
                      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                      return;
                  }
                  ::Sleep(10);
              }
          })
    {
    }
    ~MessageBoxWatch() { Stop(); }
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;
    std::wstring Texts()
    {
        Stop();
        return texts_;
    }

private:
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    std::atomic<bool> stop_ {false};
    std::wstring texts_;
    std::thread thread_;
};

} // namespace

TEST_F(FormCfgTest, EveryIntervalIsShownAndStoredByTheSameTable)
{
    for (std::size_t i = 0; i < ui::IntervalTable.size(); ++i) {
        const ui::IntervalItem shown = ui::IntervalTable[i];
        const ui::IntervalItem chosen = ui::IntervalTable[ui::IntervalTable.size() - 1 - i];
        AppConfig->SetChangeTime(shown.minutes);
        form.reset();
        EXPECT_EQ(::SendMessageW(Form().ComboBox1, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(i));
        EXPECT_EQ(Narrow(Text(Form().ComboBox1)), shown.caption);

        ::SendMessageW(Form().ComboBox1, CB_SETCURSEL, ui::IntervalTable.size() - 1 - i, 0);
        ::SendMessageW(Form().Button3, BM_CLICK, 0, 0);
        EXPECT_EQ(AppConfig->ChangeTime(), chosen.minutes) << chosen.caption;
    }
    EXPECT_EQ(::SendMessageW(Form().ComboBox1, CB_GETCOUNT, 0, 0), 16);
}

TEST_F(FormCfgTest, AnIntervalOutsideTheTableShowsNeverAndConfirmingStoresZero)
{
    AppConfig->SetChangeTime(7);
    EXPECT_EQ(Narrow(Text(Form().ComboBox1)), "从不");
    ::SendMessageW(Form().Button3, BM_CLICK, 0, 0);
    EXPECT_EQ(AppConfig->ChangeTime(), 0u);
    TAppConfig reread(TRunModeInputs {});
    reread.LoadFromDir(AppConfig->ConfigDir());
    EXPECT_EQ(reread.ChangeTime(), 0u);
}

TEST_F(FormCfgTest, CancelSavesNothingAndTheNextShowingKeepsTheEdits)
{
    AppConfig->SetChangeTime(5);
    const std::string before = testing_support::ReadFileBytes(AppConfig->ConfigFile());
    const bool autoRun = AppConfig->AutoRun();
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    ::SendMessageW(Form().ComboBox1, CB_SETCURSEL, 11, 0);
    ::SendMessageW(Form().Edit1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\elsewhere\\"));

    ClickModal(Form().Button2);
    EXPECT_FALSE(Form().Visible());
    EXPECT_TRUE(::IsWindowEnabled(owner));
    // The dialog's own close button, clicked as the mouse would.
    ui_test::Later([this] { ui_test::ClickAt(Form().Handle(), 425, 12); });
    Form().ShowModal();

    EXPECT_EQ(AppConfig->ChangeTime(), 5u);
    EXPECT_EQ(AppConfig->AutoRun(), autoRun);
    EXPECT_EQ(testing_support::ReadFileBytes(AppConfig->ConfigFile()), before);
    EXPECT_EQ(statusCalls, 0);
    EXPECT_EQ(Ticked(Form().CheckBox1), !autoRun);
    EXPECT_EQ(::SendMessageW(Form().ComboBox1, CB_GETCURSEL, 0, 0), 11);
    EXPECT_EQ(Text(Form().Edit1), L"C:\\elsewhere\\");
}

TEST_F(FormCfgTest, ConfirmStoresInOrderAndReportsOnceEvenWhenNothingChanged)
{
    platform::TcpListener service;
    engine::TWorkThreadEnvironment env = engine::TWorkThreadEnvironment::Default();
    env.statusPort = service.Port();
    worker = engine::TWorkThread::Create(env); // not started: only the dialog sends

    ClickModal(Form().Button3);
    EXPECT_FALSE(ConfigWritten());
    auto connection = service.Accept(5000);
    ASSERT_TRUE(connection);
    const auto first = testing_support::ReceiveStatus(*connection, 5000);
    ASSERT_TRUE(first);
    EXPECT_FALSE(testing_support::ReceiveStatus(*connection, 300)) << "more than one record";

    // The record carries the check boxes just confirmed.
    const bool autoRun = AppConfig->AutoRun(), autoUpdate = AppConfig->AutoUpdate();
    ::SendMessageW(Form().CheckBox1, BM_CLICK, 0, 0);
    ::SendMessageW(Form().CheckBox2, BM_CLICK, 0, 0);
    ClickModal(Form().Button3);
    const auto second = testing_support::ReceiveStatus(*connection, 5000);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->AutoRun, !autoRun);
    EXPECT_EQ(second->AutoUpdate, !autoUpdate);
    EXPECT_TRUE(ConfigWritten());
    EXPECT_EQ(statusCalls, 2);
}

TEST_F(FormCfgTest, BrowsingKeepsAnUnusableFolderOutAndAddsTheBackslash)
{
    const std::wstring shown = Text(Form().Edit1);
    std::string answer = dir.path() + "missing\\folder";
    std::vector<std::string> asked;
    Form().BrowseForFolder = [&](const std::string& title, ui::TBrowseKind kind, bool newStyle) {
        asked.push_back(title);
        EXPECT_EQ(kind, ui::TBrowseKind::bkFolders);
        EXPECT_TRUE(newStyle);
        return answer;
    };
    ::ShowWindow(Form().Handle(), SW_SHOWNOACTIVATE);
    {
        MessageBoxWatch watch;
        ::SendMessageW(Form().Button1, BM_CLICK, 0, 0);
        EXPECT_NE(watch.Texts().find(L"所选文件夹不可用，请重新选择。"), std::wstring::npos);
    }
    EXPECT_EQ(Text(Form().Edit1), shown);

    dir.Write("chosen\\keep", "");
    answer = dir.path() + "chosen";
    ::SendMessageW(Form().Button1, BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(Text(Form().Edit1)), dir.path() + "chosen\\");
    answer.clear(); // cancelled: nothing changes
    ::SendMessageW(Form().Button1, BM_CLICK, 0, 0);
    EXPECT_EQ(Narrow(Text(Form().Edit1)), dir.path() + "chosen\\");
    EXPECT_EQ(asked, std::vector<std::string>(3, "浏览文件夹"));
    ::ShowWindow(Form().Handle(), SW_HIDE);
}

TEST_F(FormCfgTest, ComponentsSitWhereTheLayoutPutsThem)
{
    TFormCfg& f = Form();
    RECT client;
    ::GetClientRect(f.Handle(), &client);
    EXPECT_EQ(client.right, 442);
    EXPECT_EQ(client.bottom, 259);
    const auto at = [&](HWND child) {
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return std::array<long, 4> {r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(at(f.CheckBox1), (std::array<long, 4> {32, 64, 129, 17}));
    EXPECT_EQ(at(f.Edit1), (std::array<long, 4> {32, 168, 306, 21}));
    EXPECT_EQ(at(f.Button1), (std::array<long, 4> {344, 166, 65, 25}));
    EXPECT_EQ(at(f.Button3), (std::array<long, 4> {263, 216, 75, 25}));
    EXPECT_EQ(at(f.Button2), (std::array<long, 4> {344, 216, 75, 25}));
    EXPECT_FALSE(::IsWindowEnabled(f.Edit1));
    EXPECT_TRUE(::GetWindowLongW(f.Button3, GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(::GetClassLongW(f.Handle(), GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_EQ(f.BtnClose.Width(), 21);

    // Tab order: check boxes, browse, confirm, cancel, interval list.
    std::vector<HWND> order;
    HWND next = f.CheckBox1;
    for (int i = 0; i < 6; ++i) {
        order.push_back(next);
        next = ::GetNextDlgTabItem(f.Handle(), next, FALSE);
    }
    EXPECT_EQ(order, (std::vector<HWND> {f.CheckBox1, f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1}));
    EXPECT_EQ(next, f.CheckBox1);
}
