#include "engine/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "engine/PictureError.h"
#include "platform/FileSystem.h"

namespace picture {
namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return.
// It jumps back to the setjmp in Guarded; the frames it skips hold only
// libjpeg's own C frames and trivially destructible lambdas.
struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr c)
{
    auto* e = reinterpret_cast<JpegError*>(c->err);
    (*c->err->format_message)(c, e->message);
    std::longjmp(e->jump, 1);
}

// A file that ends early, or whose picture data stops at a marker, would
// otherwise decode with a grey bottom: that is a damaged picture, not a
// wallpaper. It would also let a few hundred bytes claim, and cost the
// decoding of, tens of thousands of rows. Other warnings are survivable.
extern "C" void OnJpegMessage(j_common_ptr c, int level)
{
    if (level < 0 && (c->err->msg_code == JWRN_JPEG_EOF || c->err->msg_code == JWRN_HIT_MARKER))
        OnJpegError(c);
}

void InitError(JpegError& e)
{
    jpeg_std_error(&e.pub);
    e.pub.error_exit = OnJpegError;
    e.pub.emit_message = OnJpegMessage;
    e.message[0] = '\0';
}

template <typename F>
bool Guarded(JpegError& e, F f)
{
    if (setjmp(e.jump))
        return false;
    f();
    return true;
}

// Adobe writes CMYK inverted; plain CMYK is not.
void CmykToRgb(const std::uint8_t* in, std::uint8_t* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
    }
}

constexpr int kStripRows = 16;

} // namespace

int JpegScaleEighths(int width, int minWidth)
{
    // The decoder rounds its scaled size up.
    for (int m = 1; m < 8; ++m)
        if ((static_cast<std::int64_t>(width) * m + 7) / 8 >= minWidth)
            return m;
    return 8;
}

struct JpegReader::Impl {
    std::string path;
    platform::FilePtr file;
    JpegError err {};
    jpeg_decompress_struct cinfo {};
    bool created = false;
    bool cmyk = false;

    [[noreturn]] void Fail() const
    {
        throw EPictureError("Cannot decode the JPEG picture " + path + ": " + err.message);
    }
    ~Impl()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

JpegReader::JpegReader(const std::string& path) : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    d.path = path;
    d.file = platform::OpenStdFile(path, "rb");
    if (!d.file)
        throw EPictureError("Cannot open the picture " + path);
    InitError(d.err);
    d.cinfo.err = &d.err.pub;
    jpeg_decompress_struct* ci = &d.cinfo;
    std::FILE* f = d.file.get();
    if (!Guarded(d.err, [ci] { jpeg_create_decompress(ci); }))
        d.Fail();
    d.created = true;
    ci->mem->max_memory_to_use = kMaxDecoderMemory;
    if (!Guarded(d.err, [ci, f] {
            jpeg_stdio_src(ci, f);
            jpeg_read_header(ci, TRUE);
        }))
        d.Fail();
    if (ci->image_width == 0 || ci->image_height == 0 ||
        static_cast<std::int64_t>(ci->image_width) * ci->image_height > kMaxPixels)
        throw EPictureError("The picture " + path + " is too large (" +
                            std::to_string(ci->image_width) + " x " +
                            std::to_string(ci->image_height) + " pixels)");
    d.cmyk = ci->jpeg_color_space == JCS_CMYK || ci->jpeg_color_space == JCS_YCCK;
    ci->out_color_space = d.cmyk ? JCS_CMYK : JCS_RGB;
    if (!Guarded(d.err, [ci] { jpeg_calc_output_dimensions(ci); }))
        d.Fail();
}

JpegReader::~JpegReader() = default;

int JpegReader::width() const { return static_cast<int>(impl_->cinfo.image_width); }
int JpegReader::height() const { return static_cast<int>(impl_->cinfo.image_height); }
int JpegReader::decodedWidth() const { return static_cast<int>(impl_->cinfo.output_width); }
int JpegReader::decodedHeight() const { return static_cast<int>(impl_->cinfo.output_height); }

void JpegReader::AllowShrinkTo(int minWidth)
{
    Impl& d = *impl_;
    jpeg_decompress_struct* ci = &d.cinfo;
    ci->scale_num = static_cast<unsigned>(JpegScaleEighths(static_cast<int>(ci->image_width), minWidth));
    ci->scale_denom = 8;
    if (!Guarded(d.err, [ci] { jpeg_calc_output_dimensions(ci); }))
        d.Fail();
}

void JpegReader::Read(RowSink& sink)
{
    Impl& d = *impl_;
    jpeg_decompress_struct* ci = &d.cinfo;
    if (!Guarded(d.err, [ci] { jpeg_start_decompress(ci); }))
        d.Fail();
    const int w = static_cast<int>(ci->output_width);
    const int comps = ci->output_components;
    const std::size_t stride = static_cast<std::size_t>(w) * static_cast<std::size_t>(comps);
    std::vector<std::uint8_t> strip(stride * kStripRows);
    std::vector<std::uint8_t> rgb(d.cmyk ? static_cast<std::size_t>(w) * 3 : 0);
    JSAMPROW rows[kStripRows];
    for (int i = 0; i < kStripRows; ++i)
        rows[i] = strip.data() + stride * static_cast<std::size_t>(i);
    const bool inverted = ci->saw_Adobe_marker != 0;
    while (ci->output_scanline < ci->output_height) {
        JDIMENSION got = 0;
        JSAMPARRAY arr = rows;
        if (!Guarded(d.err, [ci, arr, &got] { got = jpeg_read_scanlines(ci, arr, kStripRows); }))
            d.Fail();
        for (JDIMENSION i = 0; i < got; ++i) {
            if (d.cmyk) {
                CmykToRgb(rows[i], rgb.data(), w, inverted);
                sink.PutRow(rgb.data());
            } else {
                sink.PutRow(rows[i]);
            }
        }
    }
    if (!Guarded(d.err, [ci] { jpeg_finish_decompress(ci); }))
        d.Fail();
}

struct JpegWriter::Impl {
    std::string name;
    platform::FilePtr file;
    JpegError err {};
    jpeg_compress_struct cinfo {};
    bool created = false;
    std::size_t stride = 0;
    std::vector<std::uint8_t> strip;
    int buffered = 0;

    [[noreturn]] void Fail(const char* reason) const
    {
        throw EPictureError("Cannot write the picture " + name + ": " + reason);
    }
    void Flush()
    {
        JSAMPROW rows[kStripRows];
        for (int i = 0; i < buffered; ++i)
            rows[i] = strip.data() + stride * static_cast<std::size_t>(i);
        jpeg_compress_struct* ci = &cinfo;
        JSAMPARRAY arr = rows;
        const auto n = static_cast<JDIMENSION>(buffered);
        if (!Guarded(err, [ci, arr, n] { jpeg_write_scanlines(ci, arr, n); }))
            Fail(err.message);
        buffered = 0;
    }
    ~Impl()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }
};

JpegWriter::JpegWriter(const std::string& path, const std::string& name, int width, int height)
    : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    d.name = name;
    d.file = platform::OpenStdFile(path, "wb");
    if (!d.file)
        d.Fail("the file cannot be created");
    InitError(d.err);
    d.cinfo.err = &d.err.pub;
    jpeg_compress_struct* ci = &d.cinfo;
    if (!Guarded(d.err, [ci] { jpeg_create_compress(ci); }))
        d.Fail(d.err.message);
    d.created = true;
    std::FILE* f = d.file.get();
    const auto w = static_cast<JDIMENSION>(width);
    const auto h = static_cast<JDIMENSION>(height);
    if (!Guarded(d.err, [ci, f, w, h] {
            jpeg_stdio_dest(ci, f);
            ci->image_width = w;
            ci->image_height = h;
            ci->input_components = 3;
            ci->in_color_space = JCS_RGB;
            jpeg_set_defaults(ci);
            jpeg_set_quality(ci, 90, TRUE);
            jpeg_start_compress(ci, TRUE);
        }))
        d.Fail(d.err.message);
    d.stride = static_cast<std::size_t>(width) * 3;
    d.strip.resize(d.stride * kStripRows);
}

JpegWriter::~JpegWriter() = default;

void JpegWriter::PutRow(const std::uint8_t* rgb)
{
    Impl& d = *impl_;
    std::copy(rgb, rgb + d.stride, d.strip.data() + d.stride * static_cast<std::size_t>(d.buffered));
    if (++d.buffered == kStripRows)
        d.Flush();
}

void JpegWriter::Finish()
{
    Impl& d = *impl_;
    if (d.buffered > 0)
        d.Flush();
    jpeg_compress_struct* ci = &d.cinfo;
    if (!Guarded(d.err, [ci] { jpeg_finish_compress(ci); }))
        d.Fail(d.err.message);
    std::FILE* f = d.file.release();
    const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
    if (std::fclose(f) != 0 || !flushed)
        d.Fail("the file could not be completed (disk full?)");
}

} // namespace picture
