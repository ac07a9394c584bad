// The settings dialog as built for the program, with a stand-in folder
// chooser: its texts and layout, the interval list both ways, confirm and
// cancel, the folder check and the autostart entry.
#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <sys/stat.h>

#include <cstdio>
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

// Every control keeps its whole text in sight: in both languages, at the
// default font and at a 1.25 times larger one, no two controls overlap, none
// reaches past the dialog's edge and none is given less than it needs.
TEST_F(SettingsDialog, NoControlIsCutOrCoveredInEitherLanguageAtEitherFontSize)
{
    GtkSettings* settings = gtk_settings_get_default();
    gint defaultDpi = 0;
    g_object_get(settings, "gtk-xft-dpi", &defaultDpi, nullptr);
    if (defaultDpi <= 0)
        defaultDpi = 96 * 1024;
    for (const bool chinese : {true, false}) {
        for (const int percent : {100, 125}) {
            UseLocale(chinese);
            g_object_set(settings, "gtk-xft-dpi", defaultDpi * percent / 100, nullptr);
            const std::string shown = std::string(chinese ? "zh_CN" : "C") + " at " + std::to_string(percent) + "%";
            TFormCfg& f = Open("ChangeTime=45\n");
            EXPECT_EQ(Text(f.Label2), chinese ? "自动更换: " : "Auto change: ") << shown;
            GtkWidget* win = GTK_WIDGET(f.Window());
            const GdkRectangle form {0, 0, gtk_widget_get_allocated_width(win), gtk_widget_get_allocated_height(win)};
            std::vector<std::pair<const char*, GdkRectangle>> placed;
            for (const auto& [name, control] : {std::pair {"BtnClose", f.BtnClose.Widget()}, {"Label1", f.Label1},
                                                {"Label2", f.Label2}, {"CheckBox1", f.CheckBox1},
                                                {"CheckBox2", f.CheckBox2}, {"Edit1", f.Edit1},
                                                {"Button1", f.Button1}, {"Button2", f.Button2},
                                                {"Button3", f.Button3}, {"ComboBox1", f.ComboBox1}}) {
                GdkRectangle r {0, 0, gtk_widget_get_allocated_width(control), gtk_widget_get_allocated_height(control)};
                gtk_widget_translate_coordinates(control, win, 0, 0, &r.x, &r.y);
                GtkRequisition natural {};
                gtk_widget_get_preferred_size(control, nullptr, &natural);
                // The folder text scrolls: any path may be longer than its field.
                EXPECT_TRUE(r.height >= natural.height && (control == f.Edit1 || r.width >= natural.width))
                    << name << " is cut, " << shown;
                EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= form.width && r.y + r.height <= form.height)
                    << name << " passes the dialog's edge, " << shown;
                placed.emplace_back(name, r);
            }
            for (std::size_t i = 0; i < placed.size(); ++i)
                for (std::size_t j = i + 1; j < placed.size(); ++j)
                    EXPECT_FALSE(gdk_rectangle_intersect(&placed[i].second, &placed[j].second, nullptr))
                        << placed[i].first << " and " << placed[j].first << " overlap, " << shown;

            // Saved for a person to look at once it is drawn.
            int x = 0, y = 0;
            gdk_window_get_origin(gtk_widget_get_window(win), &x, &y);
            PixbufPtr screen;
            PumpUntil([&] {
                screen = Screenshot();
                return PixelAt(screen.get(), x + form.width / 2, y + 40) == Rgb {237, 238, 240};
            });
            const PixbufPtr dialog(gdk_pixbuf_new_subpixbuf(screen.get(), x, y, form.width, form.height));
            const std::string file = std::string("settings_") + (chinese ? "zh_CN_" : "C_") + std::to_string(percent);
            gdk_pixbuf_save(dialog.get(), (ScreenshotDir() + file + ".png").c_str(), "png", nullptr, nullptr);
        }
    }
    g_object_set(settings, "gtk-xft-dpi", defaultDpi, nullptr);
    UseLocale(true);
}

TEST_F(SettingsDialog, TabMovesThroughTheControlsInTheirDesignedOrder)
{
    TFormCfg& f = Open("");
    EXPECT_TRUE(gtk_widget_has_focus(f.CheckBox1));
    GtkWidget* const controls[] = {f.CheckBox1, f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1,
                                   f.BtnClose.Widget()};
    std::vector<GtkWidget*> order;
    for (int i = 0; i < 7; ++i) {
        gtk_widget_child_focus(GTK_WIDGET(f.Window()), GTK_DIR_TAB_FORWARD);
        GtkWidget* focus = gtk_window_get_focus(f.Window());
        // The list's focus sits on its inner button.
        for (GtkWidget* c : controls)
            if (focus == c || (focus && gtk_widget_is_ancestor(focus, c)))
                order.push_back(c);
    }
    // The folder text is display only and is passed over.
    EXPECT_EQ(order, (std::vector<GtkWidget*> {f.CheckBox2, f.Button1, f.Button3, f.Button2, f.ComboBox1,
                                               f.BtnClose.Widget(), f.CheckBox1}));
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

// What a desktop's own settings do to the entry: turn it off in it, or
// delete it. The client's start goes along, and the dialog shows it.
TEST_F(SettingsDialog, WhatTheDesktopMadeOfTheEntryStands)
{
    const std::string entry = dir_.path() + "xdg/autostart/pictavo.desktop";
    const std::string program = "/opt/pictavo/bin/pictavo";
    const auto startAgain = [&] {
        AppConfig = std::make_unique<TAppConfig>(TRunModeInputs {});
        AppConfig->LoadFromDir(dir_.path() + "cfg");
        ui::gtk::StartAutostart(*AppConfig, program);
    };
    // The first start makes it: the setting starts ticked.
    dir_.Write("cfg/Config.ini", "[Config]\n");
    startAgain();
    const std::string made = ReadFileBytes(entry);
    ASSERT_NE(made.find("\nX-GNOME-Autostart-enabled=true\n"), std::string::npos) << made;

    for (const std::string off : {"X-GNOME-Autostart-enabled=false", "Hidden=true"}) {
        std::string turned = made;
        turned.replace(turned.find("X-GNOME-Autostart-enabled=true"), 30, off);
        dir_.Write("xdg/autostart/pictavo.desktop", turned);
        startAgain();
        EXPECT_EQ(ReadFileBytes(entry), turned) << off;
        EXPECT_FALSE(AppConfig->AutoRun()) << off;
        TFormCfg& f = Open("AutoRun=1\n");
        EXPECT_FALSE(Ticked(f.CheckBox1)) << off;
        f.BtnCloseClick();
    }

    // Turned on again in the desktop's settings, then deleted there.
    dir_.Write("xdg/autostart/pictavo.desktop", made);
    startAgain();
    EXPECT_TRUE(AppConfig->AutoRun());
    ASSERT_EQ(std::remove(entry.c_str()), 0);
    startAgain();
    startAgain();
    EXPECT_FALSE(platform::FileExists(entry));
    EXPECT_FALSE(AppConfig->AutoRun());

    dir_.Write("xdg/autostart/pictavo.desktop", made);
    EXPECT_TRUE(Ticked(Open("AutoRun=0\n").CheckBox1));
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
