// The skin button in a real window, driven by real pointer input: which
// frame it shows on screen, when it clicks, Down and Enabled.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <utility>

#include "GuiSupport.h"
#include "ui/gtk/GtkPtr.h"
#include "ui/gtk/SkinBtn.h"

using namespace gui_test;
using ui::gtk::TSkinBtn;

namespace {

constexpr Rgb kFrames[] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}};

// Three opaque frames of 21 x 26 (times scale) and one spare column (64
// wide), which must never show.
PixbufPtr TestStrip(const Rgb (&frames)[3] = kFrames, int scale = 1)
{
    PixbufPtr strip(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 64 * scale, 26 * scale));
    gdk_pixbuf_fill(strip.get(), 0xFFFFFFFF);
    for (int f = 0; f < 3; ++f) {
        const Rgb c = frames[f];
        PixbufPtr frame(gdk_pixbuf_new_subpixbuf(strip.get(), f * 21 * scale, 0, 21 * scale, 26 * scale));
        gdk_pixbuf_fill(frame.get(), (static_cast<guint32>(c.r) << 24) | (static_cast<guint32>(c.g) << 16) |
                                         (static_cast<guint32>(c.b) << 8) | 0xFF);
    }
    return strip;
}

class SkinButton : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitGtk(); }

    void SetUp() override
    {
        gtk_window_move(GTK_WINDOW(window_.get()), 100, 100);
        gtk_window_set_decorated(GTK_WINDOW(window_.get()), FALSE);
        gtk_widget_set_size_request(window_.get(), 80, 40);
        GtkWidget* fixed = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(window_.get()), fixed);
        gtk_fixed_put(GTK_FIXED(fixed), button_.Widget(), 10, 5);
        button_.OnClick = [this] { ++clicks_; };
        gtk_widget_show_all(window_.get());
        Xdo("mousemove 0 0");
        ASSERT_TRUE(PumpUntil([this] { return gtk_widget_get_mapped(button_.Widget()); }));
        Pump(100);
    }

    // The colour in the middle of the button on screen, after input settled.
    Rgb Shown()
    {
        Pump(150);
        PixbufPtr shot = Screenshot();
        return PixelAt(shot.get(), 100 + 10 + 10, 100 + 5 + 13);
    }
    void PointerOver(bool over) { Xdo(over ? "mousemove 120 118" : "mousemove 300 300"); }

    ui::gtk::TopLevelPtr window_ {gtk_window_new(GTK_WINDOW_TOPLEVEL)};
    TSkinBtn button_;
    int clicks_ = 0;
};

} // namespace

TEST_F(SkinButton, HoverPressReleaseLeaveShowTheirFramesAndReleaseClicks)
{
    const PixbufPtr strip = TestStrip();
    button_.SetSkin(strip.get());
    EXPECT_EQ(button_.Width(), 21);  // 64 / 3, the spare column dropped
    EXPECT_EQ(button_.Height(), 26);
    EXPECT_EQ(Shown(), kFrames[0]);

    PointerOver(true);
    EXPECT_EQ(Shown(), kFrames[1]);
    Xdo("mousedown 1");
    EXPECT_EQ(Shown(), kFrames[2]);
    EXPECT_EQ(clicks_, 0);
    Xdo("mouseup 1");
    EXPECT_EQ(Shown(), kFrames[0]);  // normal, not hover, after a release
    EXPECT_EQ(clicks_, 1);

    // Pressed here but released elsewhere is no click.
    Xdo("mousedown 1");
    PointerOver(false);
    Xdo("mouseup 1");
    EXPECT_EQ(Shown(), kFrames[0]);
    EXPECT_EQ(clicks_, 1);

    // Other buttons neither press nor click.
    PointerOver(true);
    Xdo("click 3");
    EXPECT_EQ(Shown(), kFrames[1]);
    EXPECT_EQ(clicks_, 1);
}

TEST_F(SkinButton, DownShowsPressedWhateverThePointerDoes)
{
    const PixbufPtr strip = TestStrip();
    button_.SetSkin(strip.get());
    button_.SetDown(true);
    EXPECT_EQ(Shown(), kFrames[2]);
    PointerOver(true);
    EXPECT_EQ(Shown(), kFrames[2]);
    PointerOver(false);
    EXPECT_EQ(Shown(), kFrames[2]);
    button_.SetDown(false);
    EXPECT_EQ(Shown(), kFrames[0]);
}

TEST_F(SkinButton, DisabledShowsNoFrameAndDoesNotClick)
{
    const PixbufPtr strip = TestStrip();
    button_.SetSkin(strip.get());
    button_.SetEnabled(false);
    const Rgb disabled = Shown();
    for (const Rgb& frame : kFrames)
        EXPECT_NE(disabled, frame);
    PointerOver(true);
    Xdo("click 1");
    EXPECT_EQ(Shown(), disabled);
    EXPECT_EQ(clicks_, 0);
    button_.SetEnabled(true);
    EXPECT_EQ(Shown(), kFrames[0]);
}

TEST_F(SkinButton, WithoutAnImageItPaintsNothingButStillClicks)
{
    const Rgb empty = Shown();
    for (const Rgb& frame : kFrames)
        EXPECT_NE(empty, frame);
    PointerOver(true);
    Xdo("click 1");
    Pump(100);
    EXPECT_EQ(clicks_, 1);
}

TEST_F(SkinButton, LoadSkinTakesTheProgramsStripsByAnyCaseAndRefusesUnknownOnes)
{
    button_.LoadSkin("BTN_CLOSE");
    EXPECT_EQ(button_.Width(), 21);
    EXPECT_EQ(button_.Height(), 26);
    EXPECT_THROW(button_.LoadSkin("btn_help"), std::runtime_error);
    EXPECT_EQ(button_.Width(), 21);  // keeps what it had
}

// A window drawn at scale 2 shows the strip with twice the pixels, its frame
// taken at twice the offset; at scale 1 the ordinary strip.
TEST_F(SkinButton, ScaledSurfacesGetTheStripWithTwiceThePixels)
{
    constexpr Rgb kSharpFrames[] = {{90, 0, 0}, {0, 90, 0}, {0, 0, 90}};
    const PixbufPtr strip = TestStrip();
    const PixbufPtr sharp = TestStrip(kSharpFrames, 2);
    button_.SetSkin(strip.get(), sharp.get());
    EXPECT_EQ(button_.Width(), 21);
    button_.SetDown(true);
    ASSERT_TRUE(PumpUntil([this] { return gtk_widget_get_allocated_width(button_.Widget()) == 21; }));
    for (const int scale : {1, 2}) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 21 * scale, 26 * scale);
        cairo_surface_set_device_scale(surface, scale, scale);
        cairo_t* cr = cairo_create(surface);
        gtk_widget_draw(button_.Widget(), cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        // Both corners of the frame: a strip scaled up or read at the wrong
        // offset shows another colour at one of them.
        const auto* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (const auto& [x, y] : {std::pair {0, 0}, std::pair {21 * scale - 1, 26 * scale - 1}}) {
            const guint32 argb = *reinterpret_cast<const guint32*>(data + y * stride + x * 4);
            const Rgb shown {int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF)};
            EXPECT_EQ(shown, scale == 2 ? kSharpFrames[2] : kFrames[2]) << "scale " << scale << " at " << x << "," << y;
        }
        cairo_surface_destroy(surface);
    }
}
