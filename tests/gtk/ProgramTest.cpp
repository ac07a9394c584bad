// The real program on the test display: what a person sees of the main
// window and the settings dialog (saved as screenshots), dragging, hiding to
// the tray, and how starts meet: second starts, one-shot and tray-only runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atspi/atspi.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "GuiSupport.h"
#include "NotificationServer.h"
#include "platform/FileSystem.h"
#include "platform/TcpSocket.h"
#include "support/ChildProcess.h"
#include "support/PictureMaker.h"
#include "support/StatusReceiver.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "ui/gtk/GtkPtr.h"

using namespace gui_test;
using testing_support::ChildProcess;
using testing_support::HelperPath;

namespace {

constexpr Rgb kBackground {237, 238, 240};
constexpr const char* kMain = "Pictavo";

PixbufPtr Resource(const char* name)
{
    return PixbufPtr(gdk_pixbuf_new_from_resource((std::string("/com/brisvane/Pictavo/") + name).c_str(), nullptr));
}

using AccessiblePtr = platform::linuxdesk::GObjectPtr<AtspiAccessible>;

// Every push button a screen reader finds in the windows of the program
// called `name`, read through AT-SPI (not inside web content).
void ForEachAccessiblePushButton(const std::string& name, const std::function<void(AtspiAccessible*)>& visit)
{
    const std::function<void(AtspiAccessible*)> walk = [&](AtspiAccessible* node) {
        const AtspiRole role = atspi_accessible_get_role(node, nullptr);
        if (role == ATSPI_ROLE_PUSH_BUTTON)
            visit(node);
        if (role != ATSPI_ROLE_APPLICATION && role != ATSPI_ROLE_FRAME && role != ATSPI_ROLE_PANEL &&
            role != ATSPI_ROLE_WINDOW && role != ATSPI_ROLE_DIALOG)
            return;
        for (gint i = 0, n = atspi_accessible_get_child_count(node, nullptr); i < n; ++i)
            if (const AccessiblePtr child {atspi_accessible_get_child_at_index(node, i, nullptr)})
                walk(child.get());
    };
    const AccessiblePtr desktop(atspi_get_desktop(0));
    for (gint i = 0, n = atspi_accessible_get_child_count(desktop.get(), nullptr); i < n; ++i) {
        const AccessiblePtr app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        const ui::gtk::GCharPtr appName(app ? atspi_accessible_get_name(app.get(), nullptr) : nullptr);
        if (appName && name == appName.get())
            walk(app.get());
    }
}

std::vector<std::string> AccessiblePushButtons(const std::string& name)
{
    std::vector<std::string> found;
    ForEachAccessiblePushButton(name, [&](AtspiAccessible* node) {
        const ui::gtk::GCharPtr text(atspi_accessible_get_name(node, nullptr));
        found.emplace_back(text ? text.get() : "");
    });
    return found;
}

// The push button called `button` in the windows of the program `name`.
AccessiblePtr AccessiblePushButton(const std::string& name, const std::string& button)
{
    AccessiblePtr found;
    ForEachAccessiblePushButton(name, [&](AtspiAccessible* node) {
        const ui::gtk::GCharPtr text(atspi_accessible_get_name(node, nullptr));
        if (!found && text && button == text.get())
            found.reset(ATSPI_ACCESSIBLE(g_object_ref(node)));
    });
    return found;
}

class SmallDisk {
public:
    explicit SmallDisk(std::string folder) : folder_(std::move(folder))
    {
        platform::ForceDirectories(folder_);
        mounted_ = geteuid() == 0 && Run("mount -t tmpfs -o size=512k,mode=0755 pictavo-test '" + folder_ + "'");
    }
    ~SmallDisk()
    {
        if (mounted_)
            Run("umount -l '" + folder_ + "'");
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly(bool readOnly = true)
    {
        return Run(std::string("mount -o remount,") + (readOnly ? "ro" : "rw") + " '" + folder_ + "'");
    }

private:
    static bool Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }
    std::string folder_;
    bool mounted_ = false;
};

class Program : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitGtk(); }

    void SetUp() override
    {
        UseLocale(true);
        setenv("XDG_CONFIG_HOME", (dir_.path() + "xdg").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_.path() + "cache").c_str(), 1);
        platform::ForceDirectories(dir_.path() + "cache");
        setenv("PICTAVO_STATUS_PORT", std::to_string(testing_support::UnusedPort()).c_str(), 1);
        setenv("PICTAVO_PORTAL_URL", ("http://127.0.0.1:" + std::to_string(testing_support::UnusedPort()) + "/").c_str(), 1);
        Xdo("mousemove 0 0");
    }

    void TearDown() override
    {
        if (!savedPath_.empty()) {
            setenv("PATH", savedPath_.c_str(), 1);
            unsetenv("XDG_CURRENT_DESKTOP");
        }
        if (watcher_)
            g_bus_unown_name(watcher_);
        // Nothing may stay behind for the next test to meet.
        for (const TopLevel& w : FindWindows(kMain))
            RequestClose(w.id);
    }

    static std::unique_ptr<ChildProcess> Start(const std::string& program = HelperPath("pictavo"))
    {
        return std::make_unique<ChildProcess>(std::vector<std::string> {program});
    }

    // The one viewable main window.
    static TopLevel Shown()
    {
        EXPECT_TRUE(WaitForViewable(kMain, 1));
        for (const TopLevel& w : FindWindows(kMain))
            if (w.viewable)
                return w;
        return {};
    }

    // A notification area as far as the program can tell: the StatusNotifier
    // watcher's name on the session bus.
    void ProvideNotificationArea()
    {
        static bool acquired = false;
        acquired = false;
        watcher_ = g_bus_own_name(
            G_BUS_TYPE_SESSION, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
            +[](GDBusConnection*, const gchar*, gpointer) { acquired = true; }, nullptr, nullptr, nullptr);
        ASSERT_TRUE(PumpUntil([] { return acquired; }));
    }

    static void Click(int x, int y)
    {
        Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    }

    // Drags with the left button from (x, y) by (dx, dy) in steps, as a hand would.
    static void Drag(int x, int y, int dx, int dy)
    {
        Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1");
        for (int step = 1; step <= 4; ++step)
            Xdo("sleep 0.05 mousemove " + std::to_string(x + dx * step / 4) + " " + std::to_string(y + dy * step / 4));
        Xdo("sleep 0.1 mouseup 1 sleep 0.2");
    }

    static void Close(const TopLevel& w, ChildProcess& process)
    {
        RequestClose(w.id);
        EXPECT_EQ(process.Wait(20000), 0);
    }

    // A desktop whose wallpaper command waits until the test lets it go, and
    // a wallpaper change that is due at start, so the worker's first pass
    // stays inside the command. Answers the file the command creates on entry.
    std::string SlowDesktop()
    {
        const std::string bin = dir_.path() + "bin/";
        dir_.Write("bin/swaymsg", "#!/bin/sh\ntouch '" + dir_.path() + "entered'\ni=0\n"
                                  "while [ ! -e '" + dir_.path() + "release' ] && [ $i -lt 400 ]; do\n"
                                  "  sleep 0.05; i=$((i + 1))\ndone\n");
        chmod((bin + "swaymsg").c_str(), 0755);
        savedPath_ = std::getenv("PATH");
        setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
        setenv("XDG_CURRENT_DESKTOP", "sway", 1);
        dir_.Write("xdg/Brisvane/Config.ini", "[Config]\nChangeTime=1\nLastChangeTime=1\n");
        dir_.Write("xdg/Brisvane/WallPaper/a.jpg", testing_support::MakeFlatJpeg(64, 48, {0, 90, 160}));
        return dir_.path() + "entered";
    }

    testing_support::TempDir dir_;
    guint watcher_ = 0;
    std::string savedPath_;
};

} // namespace

TEST_F(Program, MainWindowAndSettingsDialogLookAndMoveAsDesigned)
{
    // A portal that never answers, so the loading page stays.
    platform::TcpListener silentPortal;
    setenv("PICTAVO_PORTAL_URL", ("http://127.0.0.1:" + std::to_string(silentPortal.Port()) + "/").c_str(), 1);
    auto client = Start();
    TopLevel w = Shown();
    EXPECT_EQ(w.width, 895);
    EXPECT_EQ(w.height, 600);
    EXPECT_EQ(w.x, (1280 - 895) / 2);
    EXPECT_EQ(w.y, (800 - 600) / 2);

    // The loading picture turns in the middle of the view: the portal is
    // asked for only once it has been drawn, so it must be on screen.
    const int cx = w.x + 895 / 2, cy = w.y + 27 + 550 / 2;
    const bool loadingPicture = PumpUntil([&] {
        PixbufPtr shot = Screenshot();
        for (int y = cy - 19; y <= cy + 19; ++y)
            for (int x = cx - 23; x <= cx + 23; ++x)
                if (PixelAt(shot.get(), x, y).b > PixelAt(shot.get(), x, y).r + 40)
                    return true;
        return false;
    }, 15000);
    PixbufPtr shot = Screenshot(ScreenshotDir() + "main_window.png");
    ASSERT_TRUE(shot);
    EXPECT_TRUE(loadingPicture) << "the view shows " << PixelAt(shot.get(), w.x + 60, w.y + 60);
    EXPECT_EQ(PixelAt(shot.get(), w.x + 400, w.y + 13), kBackground);   // title strip
    EXPECT_EQ(PixelAt(shot.get(), w.x + 400, w.y + 590), kBackground);  // bottom strip
    const PixbufPtr icon = Resource("icons/16x16/pictavo.png");
    EXPECT_LE(FrameDistance(shot.get(), w.x + 4, w.y + 4, icon.get(), 0, 16, 16, kBackground), 2);
    int captionInk = 0;
    for (int y = 5; y < 20; ++y)
        for (int x = 24; x < 70; ++x)
            captionInk += PixelAt(shot.get(), w.x + x, w.y + y).r < 150 ? 1 : 0;
    EXPECT_GT(captionInk, 20) << "the caption is drawn at (24, 5)";
    // Each button overlaps its left neighbour by one column.
    const PixbufPtr cfg = Resource("btn_cfg.png"), mini = Resource("btn_mini.png"), close = Resource("btn_close.png");
    EXPECT_LE(FrameDistance(shot.get(), w.x + 828, w.y, cfg.get(), 0, 20, 26, kBackground), 2);
    EXPECT_LE(FrameDistance(shot.get(), w.x + 848, w.y, mini.get(), 0, 20, 26, kBackground), 2);
    EXPECT_LE(FrameDistance(shot.get(), w.x + 868, w.y, close.get(), 0, 21, 26, kBackground), 2);

    // Hover and press show the close button's other frames; releasing off it does nothing.
    Xdo("mousemove " + std::to_string(w.x + 878) + " " + std::to_string(w.y + 13));
    Pump(200);
    shot = Screenshot();
    EXPECT_LE(FrameDistance(shot.get(), w.x + 868, w.y, close.get(), 21, 21, 26, kBackground), 2);
    Xdo("mousedown 1");
    Pump(200);
    shot = Screenshot();
    EXPECT_LE(FrameDistance(shot.get(), w.x + 868, w.y, close.get(), 42, 21, 26, kBackground), 2);
    Xdo("mousemove 5 5 mouseup 1");
    ASSERT_TRUE(WaitForViewable(kMain, 1, 500));

    // The title strip and the bottom strip move the window; the portal area does not.
    Drag(w.x + 400, w.y + 12, 60, 40);
    TopLevel moved = Shown();
    EXPECT_EQ(moved.x - w.x, 60);
    EXPECT_EQ(moved.y - w.y, 40);
    Drag(moved.x + 300, moved.y + 590, -30, -20);
    w = Shown();
    EXPECT_EQ(w.x - moved.x, -30);
    EXPECT_EQ(w.y - moved.y, -20);
    Drag(w.x + 400, w.y + 300, 50, 50);
    moved = Shown();
    EXPECT_EQ(moved.x, w.x);
    EXPECT_EQ(moved.y, w.y);

    // The settings button opens the dialog, centred over the window.
    Click(w.x + 838, w.y + 13);
    ASSERT_TRUE(WaitForViewable("设置", 1));
    TopLevel d = FindWindows("设置").front();
    EXPECT_EQ(d.width, 442);
    EXPECT_EQ(d.height, 259);
    EXPECT_NEAR(d.x, w.x + (895 - 442) / 2, 1);
    EXPECT_NEAR(d.y, w.y + (600 - 259) / 2, 1);
    Xdo("mousemove 5 5");
    Pump(500);
    shot = Screenshot(ScreenshotDir() + "settings_dialog.png");
    EXPECT_EQ(PixelAt(shot.get(), d.x + 200, d.y + 13), kBackground);
    EXPECT_EQ(PixelAt(shot.get(), d.x + 150, d.y + 240), kBackground);
    EXPECT_LE(FrameDistance(shot.get(), d.x + 4, d.y + 4, icon.get(), 0, 16, 16, kBackground), 2);
    // Below the dialog's edge line.
    const PixbufPtr closeBelowEdge(gdk_pixbuf_new_subpixbuf(close.get(), 0, 1, 63, 25));
    EXPECT_LE(FrameDistance(shot.get(), d.x + 415, d.y + 1, closeBelowEdge.get(), 0, 21, 25, kBackground), 2);

    // The dialog moves by its background; its cancel button closes it.
    Drag(d.x + 200, d.y + 40, 20, 10);
    TopLevel dragged = FindWindows("设置").front();
    EXPECT_EQ(dragged.x - d.x, 20);
    EXPECT_EQ(dragged.y - d.y, 10);
    Click(dragged.x + 344 + 37, dragged.y + 216 + 12);
    EXPECT_TRUE(WaitForViewable("设置", 0));

    Close(w, *client);
}

TEST_F(Program, CloseButtonHidesToTheTrayAndASecondStartShowsTheWindowAgainWithThePortal)
{
    // At first the portal sends the view elsewhere, so our page shows.
    testing_support::TestHttpServer portal;
    portal.Serve("/", testing_support::TestResponse::Redirect(
                          "http://127.0.0.1:" + std::to_string(testing_support::UnusedPort()) + "/elsewhere"));
    setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), 1);
    ProvideNotificationArea();
    auto first = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(PumpUntil([&] { return portal.Requests("/") == 1; }, 20000));
    Pump(300);
    Click(w.x + 878, w.y + 13);
    ASSERT_TRUE(WaitForViewable(kMain, 0));
    EXPECT_EQ(first->Wait(300), -1) << "hiding ended the program";

    // Showing the window again leaves our page for the portal.
    portal.Serve("/", testing_support::TestResponse::Page("<!DOCTYPE html><html><body>portal</body></html>"));
    auto second = Start();
    EXPECT_EQ(second->Wait(20000), 0);
    EXPECT_TRUE(WaitForViewable(kMain, 1));
    EXPECT_EQ(FindWindows(kMain).size(), 1u) << "the second start made a window";
    EXPECT_TRUE(PumpUntil([&] { return portal.Requests("/") == 2; }, 20000)) << "the portal was not loaded again";
    Close(w, *first);
}

TEST_F(Program, WithoutANotificationAreaMinimiseKeepsTheWindowReachable)
{
    auto client = Start();
    const TopLevel w = Shown();
    Pump(300);
    RootRequests requests;
    Click(w.x + 858, w.y + 13);
    EXPECT_TRUE(requests.WaitForIconify(w.id)) << "the minimise button asked for no minimising";
    EXPECT_TRUE(WaitForViewable(kMain, 1, 100)) << "the window was hidden with no tray icon to bring it back";
    Close(w, *client);
}

TEST_F(Program, OneShotRunsBesideAResidentClientAndAfterTheFirstEndsTheNextStartIsFirst)
{
    auto resident = Start();
    const TopLevel w = Shown();

    // A one-shot run: started by the service, no marker held.
    const std::string client = dir_.path() + "pictavo", service = dir_.path() + "BrisvaneService";
    testing_support::CopyProgram(HelperPath("pictavo"), client);
    testing_support::CopyProgram(HelperPath("FakeService"), service);
    platform::TcpListener status;
    ASSERT_TRUE(status.Listening());
    setenv("PICTAVO_STATUS_PORT", std::to_string(status.Port()).c_str(), 1);
    // A change is due, so the pass has a new next change time to report.
    setenv("XDG_CONFIG_HOME", (dir_.path() + "service").c_str(), 1);
    dir_.Write("service/Brisvane/Config.ini", "[Config]\nChangeTime=1\nLastChangeTime=1\n");
    ChildProcess oneShot({service, client});
    auto connection = status.Accept(20000);
    ASSERT_NE(connection, nullptr) << "the one-shot pass reported nothing";
    EXPECT_TRUE(testing_support::ReceiveStatus(*connection));
    EXPECT_EQ(oneShot.Wait(20000), 0);
    EXPECT_TRUE(WaitForViewable(kMain, 1, 100));
    EXPECT_EQ(resident->Wait(100), -1);

    Close(w, *resident);
    setenv("XDG_CONFIG_HOME", (dir_.path() + "xdg").c_str(), 1);
    auto next = Start();
    const TopLevel again = Shown();
    EXPECT_EQ(next->Wait(300), -1) << "the next start handed over to nobody";
    Close(again, *next);
}

// A fresh installation starts with the system (the setting's default), so
// the first start already makes the entry; a login then starts the client
// in the tray, and a later start shows its window.
TEST_F(Program, FirstStartWritesTheAutostartEntryWhichStartsInTheTray)
{
    const std::string entry = dir_.path() + "xdg/autostart/pictavo.desktop";
    auto first = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(testing_support::WaitForFile(entry, 5000)) << "no entry although the box is ticked";
    Close(w, *first);

    // Started as a session starts it at login.
    GKeyFile* raw = g_key_file_new();
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> keys(raw, g_key_file_free);
    ASSERT_TRUE(g_key_file_load_from_file(raw, entry.c_str(), G_KEY_FILE_NONE, nullptr));
    const ui::gtk::GCharPtr exec(g_key_file_get_string(raw, "Desktop Entry", "Exec", nullptr));
    ASSERT_TRUE(exec);
    gchar** argv = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(exec.get(), nullptr, &argv, nullptr)) << exec.get();
    std::vector<std::string> args(argv, argv + g_strv_length(argv));
    g_strfreev(argv);
    const ui::gtk::GCharPtr program(g_find_program_in_path(args[0].c_str()));
    ASSERT_TRUE(program) << exec.get();
    args[0] = program.get();
    ChildProcess login(args);
    Pump(2000);
    EXPECT_TRUE(WaitForViewable(kMain, 0, 100));
    EXPECT_EQ(login.Wait(10), -1);

    auto second = Start();
    EXPECT_EQ(second->Wait(20000), 0);
    Close(Shown(), login);
}

// Shutting down waits for the worker's pass; meanwhile no window may stay on
// screen to be clicked (the settings button would reach a dialog already gone).
TEST_F(Program, ClosingHidesEveryWindowBeforeItWaitsForTheWorker)
{
    const std::string entered = SlowDesktop();
    auto client = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(testing_support::WaitForFile(entered));

    RequestClose(w.id);
    Click(w.x + 838, w.y + 13);
    // Hidden, not merely gone with the process at the end of the wait.
    EXPECT_TRUE(PumpUntil([] {
        const std::vector<TopLevel> found = FindWindows(kMain);
        return found.size() == 1 && !found.front().viewable;
    }, 10000)) << "the window stayed on screen while the program waited";
    EXPECT_TRUE(WaitForViewable("设置", 0));
    dir_.Write("release", "");
    EXPECT_EQ(client->Wait(20000), 0);
}

// A start while the client is still closing (its last pass running) must end
// with a client on the screen: it becomes the next client once the old one
// has gone, neither handing over to one that ignores it nor running beside
// it (two workers at the settings, the old demo portal taken for its own).
TEST_F(Program, AStartWhileTheClientClosesWaitsAndThenShowsItsWindow)
{
    const std::string entered = SlowDesktop();
    auto first = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(testing_support::WaitForFile(entered));
    RequestClose(w.id);
    ASSERT_TRUE(WaitForViewable(kMain, 0));

    auto second = Start();
    Pump(1500);
    EXPECT_TRUE(WaitForViewable(kMain, 0, 100)) << "the next client ran beside the closing one";
    dir_.Write("release", "");
    EXPECT_EQ(first->Wait(20000), 0);
    const TopLevel again = Shown();
    EXPECT_NE(again.id, w.id);
    EXPECT_EQ(second->Wait(100), -1) << "the start handed over to the closing client and ended";
    Close(again, *second);
}

// A screen reader finds the title strip's buttons by role and by a name in
// the user's language.
TEST_F(Program, SkinButtonsAreNamedPushButtonsForAssistiveTechnology)
{
    ASSERT_EQ(atspi_init(), 0);
    for (const bool chinese : {true, false}) {
        UseLocale(chinese);
        auto client = Start();
        const TopLevel w = Shown();
        const std::vector<std::string> expected =
            chinese ? std::vector<std::string> {"设置", "最小化", "关闭"}
                    : std::vector<std::string> {"Settings", "Minimise", "Close"};
        std::vector<std::string> buttons;
        EXPECT_TRUE(PumpUntil([&] {
            buttons = AccessiblePushButtons("pictavo");
            return buttons.size() >= expected.size();
        }, 10000));
        EXPECT_THAT(buttons, testing::IsSupersetOf(expected));
        Close(w, *client);
    }
    UseLocale(true);
}

// The title-strip buttons work without a pointer: Tab reaches them, Space
// and Enter press them, and a screen reader's "click" action clicks them.
TEST_F(Program, SkinButtonsTakeTheKeyboardAndTheClickAction)
{
    ASSERT_GE(atspi_init(), 0); // 1: already set up by an earlier test
    testing_support::TestHttpServer portal;
    portal.Serve("/", testing_support::TestResponse::Page(
                          "<html><body style='margin:0'><div style='height:550px;background:#00c000'></div></body></html>"));
    setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), 1);
    ProvideNotificationArea();
    auto client = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(PumpUntil([&] {
        PixbufPtr shot = Screenshot();
        return PixelAt(shot.get(), w.x + 400, w.y + 300) == Rgb {0, 192, 0};
    }, 20000)) << "the portal page never showed";

    // A screen reader clicks "Settings": the dialog opens.
    platform::linuxdesk::GObjectPtr<AtspiAccessible> settings;
    ASSERT_TRUE(PumpUntil([&] {
        settings = AccessiblePushButton("pictavo", "设置");
        return settings != nullptr;
    }, 10000));
    const platform::linuxdesk::GObjectPtr<AtspiAction> action(atspi_accessible_get_action_iface(settings.get()));
    ASSERT_TRUE(action);
    ASSERT_EQ(atspi_action_get_n_actions(action.get(), nullptr), 1);
    EXPECT_STREQ(ui::gtk::GCharPtr(atspi_action_get_action_name(action.get(), 0, nullptr)).get(), "click");
    EXPECT_TRUE(atspi_action_do_action(action.get(), 0, nullptr));
    ASSERT_TRUE(WaitForViewable("设置", 1));

    // The dialog's own close button is the last stop of its Tab order; Enter presses it.
    Pump(300);
    // No window manager here: the keyboard goes where X's input focus is put.
    Xdo("windowfocus --sync " + std::to_string(FindWindows("设置").front().id));
    Xdo("key --delay 60 Tab Tab Tab Tab Tab Tab Return");
    EXPECT_TRUE(WaitForViewable("设置", 0)) << "Enter on the dialog's close button did not close it";

    // From the page, Tab goes on to the title strip, one button at a time.
    Xdo("windowfocus --sync " + std::to_string(w.id));
    Click(w.x + 400, w.y + 300);
    const auto focused = [](const platform::linuxdesk::GObjectPtr<AtspiAccessible>& button) {
        return PumpUntil([&] {
            const platform::linuxdesk::GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(button.get()));
            return states && atspi_state_set_contains(states.get(), ATSPI_STATE_FOCUSED);
        }, 3000);
    };
    Xdo("key Tab");
    Pump(500); // the page hands the key back a little later
    EXPECT_TRUE(focused(settings)) << "the first Tab out of the page did not reach the settings button";
    const auto close = AccessiblePushButton("pictavo", "关闭");
    ASSERT_TRUE(close);
    Xdo("key --delay 100 Tab Tab");
    Pump(500);
    ASSERT_TRUE(focused(close)) << "Tab did not go on to the close button";
    Screenshot(ScreenshotDir() + "skin_button_focus.png");
    Xdo("key space");
    EXPECT_TRUE(WaitForViewable(kMain, 0)) << "Space on the close button did not hide the window";
    EXPECT_EQ(client->Wait(0), -1);
    ASSERT_TRUE(WaitForViewable("设置", 0));
    Close(w, *client);
}

TEST_F(Program, AClickOnAPortalPictureMakesItTheWallpaper)
{
    testing_support::TestHttpServer portal;
    // A request naming no variant of the screen's size: the address before "?" is fetched.
    const std::string picture = portal.Url("/sea.jpg") + "?v=sea,4,3.jpg";
    portal.Serve("/sea.jpg", testing_support::TestResponse::Make(200, testing_support::MakeFlatJpeg(640, 400, {0, 160, 0})));
    portal.Serve("/", testing_support::TestResponse::Page(
                          "<html><body style='margin:0'><div style='height:550px;background:#c00000' "
                          "onclick=\"window.external.downloadPic('" + picture + "')\"></div></body></html>"));
    setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), 1);
    for (const char* desktop : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "SWAYSOCK"})
        unsetenv(desktop);

    auto client = Start();
    const TopLevel w = Shown();
    ASSERT_TRUE(PumpUntil([&] {
        PixbufPtr shot = Screenshot();
        return PixelAt(shot.get(), w.x + 400, w.y + 300) == Rgb {192, 0, 0};
    }, 20000)) << "the portal page never showed";
    Click(w.x + 400, w.y + 300);

    const std::string saved = dir_.path() + "xdg/Brisvane/WallPaper/sea.jpg";
    EXPECT_TRUE(testing_support::WaitForFile(saved, 20000));
    EXPECT_EQ(portal.Requests("/sea.jpg"), 1);
    // No desktop runs here, so the wallpaper is the root window's background.
    EXPECT_TRUE(PumpUntil([] {
        PixbufPtr shot = Screenshot();
        const Rgb corner = PixelAt(shot.get(), 3, 3);
        return corner.r < 8 && corner.g > 150 && corner.b < 8;
    }, 20000)) << "the desktop did not change";
    Close(w, *client);
}

// A pick that cannot land tells the user why, once, in their language, while
// the client, Config.ini and the folder stay as they were; once there is room
// again the same pick lands.
TEST_F(Program, AFailedPickTellsTheUserWhyOnceInTheirLanguage)
{
    const std::string folder = dir_.path() + "xdg/Brisvane/WallPaper";
    SmallDisk disk(folder);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small file system needs root";
    dir_.Write("xdg/Brisvane/Config.ini", "[Config]\nChangeTime=0\nLastChangeTime=5\n");
    std::string config; // as the client keeps it once started
    // Noise does not compress: the picture needs more room than is left.
    const std::string picture = testing_support::MakeJpeg(480, 360, [](int x, int y) {
        const auto v = static_cast<std::uint8_t>((x * 7919 + y * 104729) ^ (x * y * 31));
        return testing_support::Rgb {v, static_cast<std::uint8_t>(v * 3), static_cast<std::uint8_t>(v * 7)};
    });
    ASSERT_GT(picture.size(), 100'000u);
    testing_support::TestHttpServer portal;
    portal.Serve("/noise.jpg", testing_support::TestResponse::Make(200, picture));
    portal.Serve("/gone.jpg", testing_support::TestResponse::Make(404, "not here"));
    const auto band = [&](const char* colour, const std::string& path) {
        return "<div style='height:180px;background:" + std::string(colour) +
               "' onclick=\"window.external.downloadPic('" + portal.Url(path) + "?v=x,4,3.jpg')\"></div>";
    };
    portal.Serve("/", testing_support::TestResponse::Page("<html><body style='margin:0'>" + band("#c00000", "/noise.jpg") +
                                                          band("#0000c0", "/gone.jpg") + "</body></html>"));
    setenv("PICTAVO_PORTAL_URL", portal.Url("/").c_str(), 1);
    // Installed, the icon lies in the hicolor theme, and the server is told its file.
    const std::string icon = dir_.path() + "share/icons/hicolor/48x48/apps/pictavo.png";
    GBytes* iconBytes = g_resources_lookup_data("/com/brisvane/Pictavo/icons/48x48/pictavo.png",
                                                G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    ASSERT_TRUE(iconBytes);
    gsize iconSize = 0;
    const auto* iconData = static_cast<const char*>(g_bytes_get_data(iconBytes, &iconSize));
    dir_.Write("share/icons/hicolor/48x48/apps/pictavo.png", std::string(iconData, iconSize));
    g_bytes_unref(iconBytes);
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string savedDataDirs = dataDirs ? dataDirs : "";
    setenv("XDG_DATA_DIRS", (dir_.path() + "share:" + (dataDirs ? savedDataDirs : "/usr/local/share:/usr/share")).c_str(), 1);
    NotificationServer notices;

    const auto run = [&](bool chinese, const std::function<void(const TopLevel&)>& picks) {
        UseLocale(chinese);
        auto client = Start();
        const TopLevel w = Shown();
        ASSERT_TRUE(PumpUntil([&] {
            PixbufPtr shot = Screenshot();
            return PixelAt(shot.get(), w.x + 400, w.y + 300) == Rgb {0, 0, 192};
        }, 20000)) << "the portal page never showed";
        picks(w);
        EXPECT_EQ(client->Wait(0), -1) << "the client ended";
        Close(w, *client);
    };
    const auto pick = [&](const TopLevel& w, int y, std::size_t told) {
        Click(w.x + 400, w.y + y);
        EXPECT_TRUE(PumpUntil([&] { return notices.shown.size() >= told; }, 20000));
        Pump(1000); // nothing more comes
        EXPECT_EQ(notices.shown.size(), told);
    };

    run(true, [&](const TopLevel& w) {
        config = testing_support::ReadFileBytes(dir_.path() + "xdg/Brisvane/Config.ini");
        // Only a few pages left free.
        dir_.Write("xdg/Brisvane/WallPaper/filler", std::string(480 * 1024, 'f'));
        pick(w, 100, 1);
        Screenshot(ScreenshotDir() + "pick_failed_zh.png");
        ASSERT_EQ(notices.shown.size(), 1u);
        EXPECT_EQ(notices.shown[0].title, "壁纸未更换");
        EXPECT_THAT(notices.shown[0].body, testing::HasSubstr("磁盘已满"));
        EXPECT_EQ(notices.shown[0].image, icon);
        std::vector<platform::DirEntry> entries;
        ASSERT_TRUE(platform::ListDirectory(folder + "/", entries));
        EXPECT_EQ(entries.size(), 1u) << "nothing is left behind but the filler";
        EXPECT_EQ(testing_support::ReadFileBytes(dir_.path() + "xdg/Brisvane/Config.ini"), config);

        // Room again: the same pick lands and is not a failure.
        ASSERT_TRUE(platform::RemoveFile(folder + "/filler"));
        Click(w.x + 400, w.y + 100);
        EXPECT_TRUE(testing_support::WaitForFile(folder + "/noise.jpg", 20000));
        EXPECT_TRUE(PumpUntil([&] {
            return testing_support::ReadFileBytes(dir_.path() + "xdg/Brisvane/Config.ini").find("noise.jpg") !=
                   std::string::npos;
        }, 20000));
        EXPECT_EQ(testing_support::ReadFileBytes(folder + "/noise.jpg"), picture);

        ASSERT_TRUE(disk.MakeReadOnly());
        pick(w, 100, 2);
        EXPECT_THAT(notices.shown.back().body, testing::HasSubstr("无法写入壁纸文件夹"));
    });
    Screenshot(ScreenshotDir() + "pick_landed_after_room_zh.png"); // the desktop, once the client closed

    ASSERT_TRUE(disk.MakeReadOnly(false));
    run(false, [&](const TopLevel& w) {
        pick(w, 300, 3);
        EXPECT_EQ(notices.shown.back().title, "The wallpaper was not changed");
        EXPECT_THAT(notices.shown.back().body, testing::HasSubstr("HTTP 404"));
    });
    UseLocale(true);
    if (dataDirs)
        setenv("XDG_DATA_DIRS", savedDataDirs.c_str(), 1);
    else
        unsetenv("XDG_DATA_DIRS");
}
