// The screen size the worker fits pictures for follows the display while the
// client runs: a mode change is seen without a pick asking for it.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <string>

#include "GuiSupport.h"
#include "app/gtk/ScreenWatch.h"
#include "platform/Screen.h"
#include "ui/gtk/GtkPtr.h"

using namespace gui_test;

namespace {

bool Run(const std::string& command)
{
    gint status = -1;
    return g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, &status, nullptr) &&
           g_spawn_check_wait_status(status, nullptr);
}

// Switches the test display's only output to a mode of the given size, and
// back to the size it had when the object goes.
class DisplayMode {
public:
    DisplayMode(platform::ScreenSize from, int width, int height)
        : from_(from), name_("pictavo-" + std::to_string(width) + "x" + std::to_string(height))
    {
        const ui::gtk::GCharPtr query([] {
            gchar* out = nullptr;
            g_spawn_command_line_sync("xrandr --query", &out, nullptr, nullptr, nullptr);
            return out;
        }());
        const std::string text = query ? query.get() : "";
        const std::size_t connected = text.find(" connected");
        const std::size_t start = text.rfind('\n', connected);
        output_ = text.substr(start == std::string::npos ? 0 : start + 1,
                              connected - (start == std::string::npos ? 0 : start + 1));
        const std::string w = std::to_string(width), h = std::to_string(height);
        ok_ = connected != std::string::npos &&
              Run("xrandr --newmode " + name_ + " 0 " + w + " " + w + " " + w + " " + w + " " + h + " " + h + " " + h +
                  " " + h) &&
              Run("xrandr --addmode " + output_ + " " + name_) &&
              Run("xrandr --output " + output_ + " --mode " + name_ + " --fb " + w + "x" + h);
    }
    ~DisplayMode()
    {
        const std::string size = std::to_string(from_.width) + "x" + std::to_string(from_.height);
        Run("xrandr --output " + output_ + " --mode " + size + " --fb " + size);
        Run("xrandr --delmode " + output_ + " " + name_);
        Run("xrandr --rmmode " + name_);
    }
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;
    bool ok() const { return ok_; }

private:
    platform::ScreenSize from_;
    std::string name_;
    std::string output_;
    bool ok_ = false;
};

} // namespace

TEST(ScreenWatch, FollowsAModeChangeWithoutBeingAsked)
{
    InitGtk();
    if (gchar* xrandr = g_find_program_in_path("xrandr"))
        g_free(xrandr);
    else
        GTEST_SKIP() << "xrandr is not installed (scripts/deps.sh installs it)";
    const ui::gtk::TopLevelPtr window(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    const app::gtk::TScreenWatch watch(window.get());
    const platform::ScreenSize before = platform::PrimaryScreenSize();
    ASSERT_GT(before.width, 320);
    ASSERT_GT(before.height, 200);

    const DisplayMode smaller(before, before.width - 256, before.height - 200);
    ASSERT_TRUE(smaller.ok());
    EXPECT_TRUE(PumpUntil([&] {
        const platform::ScreenSize now = platform::PrimaryScreenSize();
        return now.width == before.width - 256 && now.height == before.height - 200;
    })) << "still " << platform::PrimaryScreenSize().width << " x " << platform::PrimaryScreenSize().height;
}
