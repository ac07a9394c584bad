// The GResource bundle linked into the Linux program: every path the windows
// look up is there, and the pictures decode as what their users expect.
#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>

#include "platform/linux/GLibPtr.h"

using platform::linuxdesk::GErrorPtr;
using platform::linuxdesk::GObjectPtr;

namespace {

const std::string kPrefix = "/com/brisvane/Pictavo/";

struct GBytesUnref {
    void operator()(GBytes* b) const noexcept { g_bytes_unref(b); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;

std::string Lookup(const std::string& name)
{
    GError* raw = nullptr;
    const GBytesPtr bytes(g_resources_lookup_data((kPrefix + name).c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &raw));
    const GErrorPtr error(raw);
    if (!bytes) {
        ADD_FAILURE() << name << ": " << (error ? error->message : "not found");
        return {};
    }
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
    return std::string(data, size);
}

GObjectPtr<GdkPixbuf> Picture(const std::string& name)
{
    GError* raw = nullptr;
    GObjectPtr<GdkPixbuf> picture(gdk_pixbuf_new_from_resource((kPrefix + name).c_str(), &raw));
    const GErrorPtr error(raw);
    EXPECT_TRUE(picture) << name << ": " << (error ? error->message : "no picture");
    return picture;
}

// Bytes of the w x h rectangle at (x, 0).
std::string Frame(GdkPixbuf* strip, int x, int w, int h)
{
    const int stride = gdk_pixbuf_get_rowstride(strip);
    const int channels = gdk_pixbuf_get_n_channels(strip);
    const guchar* pixels = gdk_pixbuf_read_pixels(strip);
    std::string out;
    for (int y = 0; y < h; ++y)
        out.append(reinterpret_cast<const char*>(pixels + y * stride + x * channels), std::size_t(w * channels));
    return out;
}

} // namespace

// Each strip also comes at twice the pixels for scaled screens.
TEST(ResourceBundle, ButtonStripsAreThreeDistinctFramesWithAlpha)
{
    for (const std::string name : {"btn_cfg", "btn_mini", "btn_close"})
        for (const int scale : {1, 2}) {
            const std::string file = name + (scale == 2 ? "@2x.png" : ".png");
            SCOPED_TRACE(file);
            const auto strip = Picture(file);
            ASSERT_TRUE(strip);
            const int w = 21 * scale, h = 26 * scale;
            EXPECT_EQ(gdk_pixbuf_get_width(strip.get()), 3 * w);
            EXPECT_EQ(gdk_pixbuf_get_height(strip.get()), h);
            EXPECT_TRUE(gdk_pixbuf_get_has_alpha(strip.get()));
            EXPECT_EQ(gdk_pixbuf_get_bits_per_sample(strip.get()), 8);
            const std::string normal = Frame(strip.get(), 0, w, h);
            const std::string hover = Frame(strip.get(), w, w, h);
            const std::string pressed = Frame(strip.get(), 2 * w, w, h);
            EXPECT_NE(normal, hover);
            EXPECT_NE(hover, pressed);
            EXPECT_NE(normal, pressed);
        }
}

TEST(ResourceBundle, IconsHaveTheirNamedSizes)
{
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string side = std::to_string(size);
        const auto icon = Picture("icons/" + side + "x" + side + "/pictavo.png");
        ASSERT_TRUE(icon) << size;
        EXPECT_EQ(gdk_pixbuf_get_width(icon.get()), size);
        EXPECT_EQ(gdk_pixbuf_get_height(icon.get()), size);
        EXPECT_TRUE(gdk_pixbuf_get_has_alpha(icon.get())) << size;
    }
    // The title strip's icon on a scaled screen.
    const auto sharp = Picture("icons/16x16@2/pictavo.png");
    ASSERT_TRUE(sharp);
    EXPECT_EQ(gdk_pixbuf_get_width(sharp.get()), 32);
    EXPECT_EQ(gdk_pixbuf_get_height(sharp.get()), 32);
}

TEST(ResourceBundle, LoadingPageAndItsSpinner)
{
    const std::string page = Lookup("Loading.html");
    EXPECT_EQ(page.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(page.find("body{border: 0px; overflow: auto;background: #EDEEF0 url('LoadGif') no-repeat center;}"),
              std::string::npos);

    // The spinner, and its copy at twice the pixels for scaled screens.
    for (const int scale : {1, 2}) {
        const std::string name = scale == 2 ? "LoadGif@2x.gif" : "LoadGif.gif";
        SCOPED_TRACE(name);
        const int w = 47 * scale, h = 39 * scale;
        const std::string gif = Lookup(name);
        ASSERT_GE(gif.size(), 13u);
        EXPECT_EQ(gif.substr(0, 6), "GIF89a");
        EXPECT_EQ(static_cast<unsigned char>(gif[6]) | static_cast<unsigned char>(gif[7]) << 8, w);
        EXPECT_EQ(static_cast<unsigned char>(gif[8]) | static_cast<unsigned char>(gif[9]) << 8, h);

        // A real decoder walks the animation: it moves, every frame lasts
        // 100 ms, and it never runs out of frames.
        GError* raw = nullptr;
        const GObjectPtr<GdkPixbufAnimation> animation(
            gdk_pixbuf_animation_new_from_resource((kPrefix + name).c_str(), &raw));
        const GErrorPtr error(raw);
        ASSERT_TRUE(animation) << (error ? error->message : "");
        EXPECT_FALSE(gdk_pixbuf_animation_is_static_image(animation.get()));
        EXPECT_EQ(gdk_pixbuf_animation_get_width(animation.get()), w);
        EXPECT_EQ(gdk_pixbuf_animation_get_height(animation.get()), h);

        // The iterator API only takes the deprecated GTimeVal.
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        GTimeVal clock{0, 0};
        const GObjectPtr<GdkPixbufAnimationIter> iter(gdk_pixbuf_animation_get_iter(animation.get(), &clock));
        std::string first;
        int changed = 0;
        for (int frame = 0; frame < 17; ++frame) {
            EXPECT_EQ(gdk_pixbuf_animation_iter_get_delay_time(iter.get()), 100) << frame;
            GdkPixbuf* shown = gdk_pixbuf_animation_iter_get_pixbuf(iter.get());
            const std::string pixels = Frame(shown, 0, w, h);
            if (frame == 0) {
                first = pixels;
                // It sits on the page's own background colour, #EDEEF0.
                EXPECT_EQ(pixels.substr(0, 3), "\xED\xEE\xF0");
            }
            else if (frame % 8 == 0)
                EXPECT_EQ(pixels, first) << "frame " << frame << " should repeat the first";
            else
                changed += pixels != first;
            g_time_val_add(&clock, 100 * 1000);
            gdk_pixbuf_animation_iter_advance(iter.get(), &clock);
        }
        G_GNUC_END_IGNORE_DEPRECATIONS
        EXPECT_EQ(changed, 14);
    }
}
