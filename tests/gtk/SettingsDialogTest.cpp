// The settings dialog as built for the program, with a stand-in folder
// chooser: its texts and layout, the interval list both ways, confirm and
// cancel, the folder check and the autostart entry.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "GuiSupport.h"
#include "config/uAppConfig.h"
#include "engine/StatusLink.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"
#include "ui/IntervalTable.h"
#include "ui/gtk/Autostart.h"
#include "ui/gtk/UnitCfg.h"

using namespace gui_test;
using testing_support::ReadFileBytes;
using ui::gtk::TFormCfg;

namespace {

std::string Text(GtkWidget* w)
{
    if (GTK_IS_LABEL(w))
        return gtk_label_get_text(GTK_LABEL(w));
    if (GTK_IS_ENTRY(w))
        return gtk_entry_get_text(GTK_ENTRY(w));
    if (GTK_IS_COMBO_BOX_TEXT(w)) {
        const ui::gtk::GCharPtr text(gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w)));
        return text ? text.get() : "";
    }
    return gtk_button_get_label(GTK_BUTTON(w));
}

bool Ticked(GtkWidget* box)
{
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box));
}

// Where a control sits in the dialog (labels by the box that places them).
std::pair<int, int> PositionOf(GtkWidget* w, GtkWidget* window)
{
    int x = -1, y = -1;
    gtk_widget_translate_coordinates(GTK_IS_LABEL(w) ? gtk_widget_get_parent(w) : w, window, 0, 0, &x, &y);
    return {x, y};
}

struct FileStamp {
    ino_t inode = 0;
    std::string bytes;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {st.st_ino, ReadFileBytes(path)};
}

class SettingsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitGtk(); }

    void SetUp() override
    {
        UseLocale(true);
        setenv("XDG_CONFIG_HOME", (dir_.path() + "xdg").c_str(), 1);
    }

    void TearDown() override
    {
        form_.reset();
        AppConfig.reset();
        Pump(10);
    }

    // A fresh configuration from these Config.ini lines and a dialog over it.
    TFormCfg& Open(const std::string& ini)
    {
        form_.reset();
        dir_.Write("cfg/Config.ini", "[Config]\n" + ini);
        AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
        AppConfig->LoadFromDir(dir_.path() + "cfg");
        form_ = std::make_unique<TFormCfg>(nullptr, [this] {
            ++sent_;
            if (onSend_)
                onSend_();
        });
        form_->BrowseForFolder = [this](const std::string& title, ui::TBrowseKind kind, bool newStyle) {
            browseTitle_ = title;
            EXPECT_EQ(kind, ui::TBrowseKind::bkFolders);
            EXPECT_TRUE(newStyle);
            return chosen_;
        };
        form_->AutostartProgram = "/opt/pictavo/bin/pictavo";
        form_->ShowModal();
        PumpUntil([this] { return gtk_widget_get_mapped(GTK_WIDGET(form_->Window())); });
        return *form_;
    }

    std::string ConfigFile() const { return dir_.path() + "cfg/Config.ini"; }

    // The error box the dialog shows, if any: its text and title.
    std::pair<std::string, std::string> ErrorBox() const
    {
        std::pair<std::string, std::string> found;
        GList* windows = gtk_window_list_toplevels();
        for (GList* l = windows; l; l = l->next)
            if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data))) {
                gchar* text = nullptr;
                g_object_get(l->data, "text", &text, nullptr);
                const ui::gtk::GCharPtr owned(text);
                found = {text ? text : "", gtk_window_get_title(GTK_WINDOW(l->data))};
            }
        g_list_free(windows);
        return found;
    }

    testing_support::TempDir dir_;
    std::unique_ptr<TFormCfg> form_;
    int sent_ = 0;
    std::function<void()> onSend_;
    std::string chosen_;
    std::string browseTitle_;
};

} // namespace

TEST_F(SettingsDialog, ShowsItsTextsAtTheirPlaces)
{
    TFormCfg& f = Open("AutoRun=0\nAutoUpdate=1\nWallPaperDir=/srv/walls/\n");
    GtkWidget* win = GTK_WIDGET(f.Window());
    EXPECT_STREQ(gtk_window_get_title(f.Window()), "设置");
    EXPECT_EQ(gtk_widget_get_allocated_width(win), 442);
    EXPECT_EQ(gtk_widget_get_allocated_height(win), 259);
    EXPECT_FALSE(gtk_window_get_decorated(f.Window()));
    EXPECT_TRUE(gtk_window_get_modal(f.Window()));

    const struct {
        GtkWidget* control;
        const char* text;
        int x, y;
    } expected[] = {
        {f.Label1, "壁纸下载位置", 32, 136},  {f.Label2, "自动更换: ", 193, 65},
        {f.CheckBox1, "开机自动运行Pictavo", 32, 64}, {f.CheckBox2, "自动升级到最新版本", 32, 96},
        {f.Edit1, "/srv/walls/", 32, 168},   {f.Button1, "浏览...", 344, 166},
        {f.Button2, "取消", 344, 216},        {f.Button3, "确认", 263, 216},
        {f.ComboBox1, "从不", 266, 62},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(Text(e.control), e.text);
        EXPECT_EQ(PositionOf(e.control, win), std::make_pair(e.x, e.y)) << e.text;
    }
    EXPECT_EQ(PositionOf(f.BtnClose.Widget(), win), std::make_pair(415, 0));
    EXPECT_EQ(f.BtnClose.Width(), 21);
    EXPECT_EQ(f.BtnClose.Height(), 26);
    EXPECT_FALSE(Ticked(f.CheckBox1));
    EXPECT_TRUE(Ticked(f.CheckBox2));
    EXPECT_FALSE(gtk_widget_get_sensitive(f.Edit1));
    EXPECT_EQ(gtk_window_get_default_widget(f.Window()), f.Button3);
}

TEST_F(SettingsDialog, TabMovesThroughTheControlsInTheirDesignedOrder)
{
    TFormCfg& f = Open("");
    EXPECT_TRUE(gtk_widget_has_focus(f.CheckBox1));
    GtkWidget* const controls[] = {f.CheckBox1, f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1};
    std::vector<GtkWidget*> order;
    for (int i = 0; i < 6; ++i) {
        gtk_widget_child_focus(GTK_WIDGET(f.Window()), GTK_DIR_TAB_FORWARD);
        GtkWidget* focus = gtk_window_get_focus(f.Window());
        // The list's focus sits on its inner button.
        for (GtkWidget* c : controls)
            if (focus == c || (focus && gtk_widget_is_ancestor(focus, c)))
                order.push_back(c);
    }
    // The folder text is display only and is passed over.
    EXPECT_EQ(order, (std::vector<GtkWidget*> {f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1, f.CheckBox1}));
}

TEST_F(SettingsDialog, EveryIntervalShowsItsItemAndConfirmingAnItemStoresItsMinutes)
{
    constexpr std::size_t n = ui::IntervalTable.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto& shown = ui::IntervalTable[i];
        const auto& picked = ui::IntervalTable[(i + 1) % n];
        TFormCfg& f = Open("ChangeTime=" + std::to_string(shown.minutes) + "\n");
        EXPECT_EQ(Text(f.ComboBox1), shown.caption);
        gtk_combo_box_set_active(GTK_COMBO_BOX(f.ComboBox1), static_cast<int>((i + 1) % n));
        gtk_button_clicked(GTK_BUTTON(f.Button3));
        EXPECT_EQ(AppConfig->ChangeTime(), picked.minutes) << picked.caption;
        EXPECT_NE(ReadFileBytes(ConfigFile()).find("ChangeTime=" + std::to_string(picked.minutes) + "\n"),
                  std::string::npos);
    }
}

TEST_F(SettingsDialog, IntervalNotInTheListShowsNeverAndConfirmingStoresZero)
{
    TFormCfg& f = Open("ChangeTime=7\n");
    EXPECT_EQ(Text(f.ComboBox1), "从不");
    gtk_button_clicked(GTK_BUTTON(f.Button3));
    EXPECT_EQ(AppConfig->ChangeTime(), 0u);
    EXPECT_NE(ReadFileBytes(ConfigFile()).find("ChangeTime=0"), std::string::npos);
    EXPECT_FALSE(f.Visible());
}

TEST_F(SettingsDialog, CancelAndCloseKeepTheEditsAndSaveNothing)
{
    TFormCfg& f = Open("AutoRun=1\nAutoUpdate=1\nChangeTime=5\n");
    const FileStamp before = StampOf(ConfigFile());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.CheckBox1), FALSE);
    gtk_combo_box_set_active(GTK_COMBO_BOX(f.ComboBox1), 11);
    gtk_button_clicked(GTK_BUTTON(f.Button2));
    EXPECT_FALSE(f.Visible());

    f.ShowModal();
    EXPECT_TRUE(f.Visible());
    EXPECT_FALSE(Ticked(f.CheckBox1));
    EXPECT_EQ(Text(f.ComboBox1), "1 小时");
    f.BtnCloseClick();
    EXPECT_FALSE(f.Visible());

    EXPECT_TRUE(AppConfig->AutoRun());
    EXPECT_EQ(AppConfig->ChangeTime(), 5u);
    EXPECT_EQ(StampOf(ConfigFile()), before);
    EXPECT_EQ(sent_, 0);
    EXPECT_FALSE(platform::FileExists(ui::gtk::AutostartEntryPath()));
}

TEST_F(SettingsDialog, ConfirmUnchangedWritesNothingAndSendsOneRecord)
{
    platform::TcpListener service;
    ASSERT_TRUE(service.Listening());
    TStatusLink link(service.Port());
    TFormCfg& f = Open("AutoRun=0\nAutoUpdate=1\nChangeTime=30\nWallPaperDir=" + dir_.path() + "\n");
    onSend_ = [&] {
        link.SendStatus(1700000000, AppConfig->AutoUpdate(), AppConfig->AutoRun(), AppConfig->ConfigDir());
    };
    const FileStamp before = StampOf(ConfigFile());
    gtk_button_clicked(GTK_BUTTON(f.Button3));

    EXPECT_EQ(StampOf(ConfigFile()), before);
    auto connection = service.Accept(5000);
    ASSERT_NE(connection, nullptr);
    const auto record = testing_support::ReceiveStatus(*connection);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->AutoUpdate, 1);
    EXPECT_EQ(record->AutoRun, 0);
    EXPECT_FALSE(testing_support::ReceiveStatus(*connection, 300));
}

TEST_F(SettingsDialog, ConfirmStoresTheSettingsBeforeReportingAndTheIntervalAfter)
{
    TFormCfg& f = Open("AutoRun=0\nAutoUpdate=0\nChangeTime=30\n");
    chosen_ = dir_.path() + "pictures";
    platform::ForceDirectories(chosen_);
    gtk_button_clicked(GTK_BUTTON(f.Button1));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.CheckBox1), TRUE);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.CheckBox2), TRUE);
    gtk_combo_box_set_active(GTK_COMBO_BOX(f.ComboBox1), 1);

    std::string seen;
    onSend_ = [&] {
        seen = AppConfig->WallPaperDir() + " " + std::to_string(AppConfig->AutoUpdate()) +
               std::to_string(AppConfig->AutoRun()) + " " + std::to_string(AppConfig->ChangeTime());
    };
    gtk_button_clicked(GTK_BUTTON(f.Button3));
    EXPECT_EQ(seen, chosen_ + "/ 11 30");
    EXPECT_EQ(sent_, 1);
    EXPECT_EQ(AppConfig->ChangeTime(), 1u);
    EXPECT_FALSE(f.Visible());
}

TEST_F(SettingsDialog, FolderMustBeWritableAndGetsItsSeparator)
{
    TFormCfg& f = Open("WallPaperDir=/srv/walls/\n");

    chosen_ = "";  // cancelled
    gtk_button_clicked(GTK_BUTTON(f.Button1));
    EXPECT_EQ(Text(f.Edit1), "/srv/walls/");
    EXPECT_EQ(browseTitle_, "浏览文件夹");

    chosen_ = "/proc";  // no file can be made there, not even by root
    gtk_button_clicked(GTK_BUTTON(f.Button1));
    EXPECT_EQ(Text(f.Edit1), "/srv/walls/");
    EXPECT_EQ(ErrorBox(), std::make_pair(std::string("所选文件夹不可用，请重新选择。"), std::string("设置")));

    chosen_ = dir_.path() + "new";
    platform::ForceDirectories(chosen_);
    gtk_button_clicked(GTK_BUTTON(f.Button1));
    EXPECT_EQ(Text(f.Edit1), chosen_ + "/");
    std::vector<platform::DirEntry> left;
    ASSERT_TRUE(platform::ListDirectory(chosen_, left));
    EXPECT_TRUE(left.empty()) << "the write test left " << left.front().name;
}

TEST_F(SettingsDialog, AutostartEntryAppearsAndDisappearsWithStartWithTheSystem)
{
    TFormCfg& f = Open("AutoRun=0\n");
    const std::string entry = dir_.path() + "xdg/autostart/pictavo.desktop";
    ASSERT_EQ(ui::gtk::AutostartEntryPath(), entry);

    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.CheckBox1), TRUE);
    gtk_button_clicked(GTK_BUTTON(f.Button3));
    const std::string text = ReadFileBytes(entry);
    EXPECT_NE(text.find("\nExec=env PICTAVO_TRAY_ONLY=1 \"/opt/pictavo/bin/pictavo\"\n"), std::string::npos) << text;
    EXPECT_TRUE(AppConfig->AutoRun());

    f.ShowModal();
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.CheckBox1), FALSE);
    gtk_button_clicked(GTK_BUTTON(f.Button3));
    EXPECT_FALSE(platform::FileExists(entry));
    EXPECT_FALSE(AppConfig->AutoRun());
}

TEST(AutostartEntry, QuotesTheProgramPathAndRefusesLineBreaks)
{
    const auto entry = ui::gtk::AutostartEntry("/opt/my apps/a\"b$c\\d%e/pictavo");
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find(" \"/opt/my apps/a\\\\\"b\\\\$c\\\\\\\\d%%e/pictavo\"\n"), std::string::npos)
        << *entry;
    EXPECT_FALSE(ui::gtk::AutostartEntry("/opt/evil\nExec=/bin/sh"));
}

// The installed program when this process runs it, also after an upgrade
// replaced its file; a build elsewhere names itself.
TEST(AutostartEntry, NamesTheInstalledProgramWhenThatIsTheOneRunning)
{
    testing_support::TempDir dir;
    const std::string installed = dir.Write("usr/bin/pictavo", "new"), build = dir.Write("build/pictavo", "");
    EXPECT_EQ(ui::gtk::AutostartProgramPath(installed, installed), installed);
    EXPECT_EQ(ui::gtk::AutostartProgramPath(build, installed), build);
    EXPECT_EQ(ui::gtk::AutostartProgramPath(dir.path() + "gone/pictavo", installed), installed);
    EXPECT_EQ(ui::gtk::AutostartProgramPath(build, dir.path() + "usr/bin/none"), build);
}

TEST_F(SettingsDialog, EnglishOutsideAChineseLocale)
{
    UseLocale(false);
    TFormCfg& f = Open("ChangeTime=60\n");
    EXPECT_STREQ(gtk_window_get_title(f.Window()), "Settings");
    EXPECT_EQ(Text(f.CheckBox1), "Start Pictavo with the system");
    EXPECT_EQ(Text(f.Button3), "OK");
    EXPECT_EQ(Text(f.ComboBox1), "1 hour");
    UseLocale(true);
}
