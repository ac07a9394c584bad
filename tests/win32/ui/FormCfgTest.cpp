// The settings dialog driven through its real controls: what it shows of
// AppConfig, what a confirm stores and reports, what a cancel keeps.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "ui/win32/Scaled.h"
#include "ui/win32/Texts.h"
#include "ui/win32/UnitCfg.h"

using platform::win::Narrow;
using platform::win::Wide;
using ui::TextWidth;
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

std::wstring ItemText(HWND list, int index)
{
    wchar_t text[256] {};
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
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
            form = std::make_unique<TFormCfg>(
                owner,
                [this] {
                    ++statusCalls;
                    if (worker)
                        worker->SendStatus();
                },
                ui::kChineseTexts);
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

// In each language shipped and at each scale, every text fits its control
// and no control covers another or reaches past the dialog's edge.
TEST_F(FormCfgTest, EveryTextFitsAndNoControlsOverlapInEitherLanguageAtEveryScale)
{
    int designedTextWidth = 0;
    for (const int dpi : {96, 144, 192})
    for (const LANGID language : {ui::kChineseTexts, ui::kEnglishTexts}) {
        SCOPED_TRACE(language);
        SCOPED_TRACE(dpi);
        form = std::make_unique<TFormCfg>(owner, [] {}, language);
        TFormCfg& f = *form;
        ASSERT_EQ(f.Dpi(), 96) << "the test display runs at 96 dpi";
        if (dpi != 96) { // as when moved to a monitor of that scale
            RECT suggested {50, 60, 50 + ui::Scaled(442, dpi), 60 + ui::Scaled(259, dpi)};
            ::SendMessageW(f.Handle(), ui::kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
        RECT client;
        ::GetClientRect(f.Handle(), &client);
        // The whole dialog grows in proportion, its text with it.
        EXPECT_GE(client.right, ui::Scaled(442, dpi));
        EXPECT_EQ(client.bottom, ui::Scaled(259, dpi));
        const int textWidth = TextWidth(f.Button2, Text(f.Button2));
        if (language == ui::kEnglishTexts) {
            if (dpi == 96)
                designedTextWidth = textWidth;
            else
                EXPECT_NEAR(textWidth, designedTextWidth * dpi / 96, designedTextWidth * dpi / 96 / 8);
        }
        const auto place = [&](HWND control) {
            RECT r;
            ::GetWindowRect(control, &r); // a drop-down list's closed size
            ::MapWindowPoints(nullptr, f.Handle(), reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        const int box = ui::MetricForDpi(SM_CXMENUCHECK, dpi), arrow = ui::MetricForDpi(SM_CXVSCROLL, dpi);
        std::vector<std::pair<RECT, int>> rooms; // each control, and the widest text it must show
        for (HWND c : {f.CheckBox1, f.CheckBox2})
            rooms.push_back({place(c), TextWidth(c, Text(c)) + box});
        for (HWND c : {f.Label1, f.Label2, f.Button1, f.Button2, f.Button3})
            rooms.push_back({place(c), TextWidth(c, Text(c))});
        int widestItem = 0;
        for (int i = 0; i < 16; ++i)
            widestItem = std::max(widestItem, TextWidth(f.ComboBox1, ItemText(f.ComboBox1, i)));
        rooms.push_back({place(f.ComboBox1), widestItem + arrow});
        rooms.push_back({place(f.Edit1), 0});
        rooms.push_back({f.BtnClose.BoundsRect(), 0});
        for (std::size_t i = 0; i < rooms.size(); ++i) {
            const RECT& r = rooms[i].first;
            EXPECT_LE(rooms[i].second, r.right - r.left) << "text cut in control " << i;
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                << "control " << i << " reaches past the edge";
            for (std::size_t j = 0; j < i; ++j) {
                RECT both;
                EXPECT_FALSE(::IntersectRect(&both, &r, &rooms[j].first)) << "controls " << j << " and " << i;
            }
        }

        // Tab order: check boxes, browse, confirm, cancel, interval list.
        std::vector<HWND> order;
        HWND next = f.CheckBox1;
        for (int i = 0; i < 6; ++i) {
            order.push_back(next);
            next = ::GetNextDlgTabItem(f.Handle(), next, FALSE);
        }
        EXPECT_EQ(order,
                  (std::vector<HWND> {f.CheckBox1, f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1}));
        EXPECT_EQ(next, f.CheckBox1);
    }
    EXPECT_FALSE(::IsWindowEnabled(form->Edit1));
    EXPECT_TRUE(::GetWindowLongW(form->Button3, GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(::GetClassLongW(form->Handle(), GCL_STYLE) & CS_DROPSHADOW);
}

// The Chinese texts only where the user's interface is Chinese, the English
// ones everywhere else, and both tables whole.
TEST(Texts, TheUsersLanguageChoosesTheTableAndBothAreComplete)
{
    EXPECT_EQ(ui::TextLanguage(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)), ui::kChineseTexts);
    EXPECT_EQ(ui::TextLanguage(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)), ui::kChineseTexts);
    EXPECT_EQ(ui::TextLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)), ui::kEnglishTexts);
    EXPECT_EQ(ui::TextLanguage(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)), ui::kEnglishTexts);
    EXPECT_EQ(ui::TextLanguage(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)), ui::kEnglishTexts);

    EXPECT_EQ(ui::LoadText(IDS_AUTO_CHANGE, ui::kChineseTexts), L"自动更换: ");
    EXPECT_EQ(ui::LoadText(IDS_AUTO_CHANGE, ui::kEnglishTexts), L"Auto change: ");
    for (UINT id = IDS_SETTINGS; id <= IDS_FOLDER_UNUSABLE; ++id) {
        if (id > IDS_PRESS && id < IDS_DOWNLOAD_FOLDER)
            continue;
        EXPECT_FALSE(ui::LoadText(id, ui::kChineseTexts).empty()) << id;
        EXPECT_FALSE(ui::LoadText(id, ui::kEnglishTexts).empty()) << id;
    }
    for (UINT i = 0; i < ui::IntervalTable.size(); ++i) {
        EXPECT_EQ(Narrow(ui::LoadText(IDS_INTERVAL_FIRST + i, ui::kChineseTexts)), ui::IntervalTable[i].caption);
        EXPECT_FALSE(ui::LoadText(IDS_INTERVAL_FIRST + i, ui::kEnglishTexts).empty()) << i;
    }
}
