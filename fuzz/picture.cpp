// Fitting a picture made of any bytes. Input: a selector byte (which
// signature goes in front, FF D8 or "BM" or none, and which of the two fitting
// calls runs), a byte choosing the width (16 to 64), then the picture's body.
// Either EPictureError comes out and nothing is left behind, or the written
// picture decodes at exactly the width asked for and the height that follows
// from the source's size. The source file is never changed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "Check.h"
#include "engine/FitCache.h"
#include "engine/PictureFit.h"
#include "engine/PictureSource.h"
#include "platform/FileSystem.h"

namespace {

struct Scratch {
    std::string dir;
    std::string source;
    std::string output;
    std::string cache;
};

// One folder per process, on tmpfs when there is one.
const Scratch& Paths()
{
    static const Scratch paths = [] {
        const std::string root = access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
        Scratch s;
        s.dir = root + "pictavo-fuzz-picture-" + std::to_string(getpid()) + "/";
        s.source = s.dir + "in.jpg";
        s.output = s.dir + "out.jpg";
        s.cache = s.dir + "cache/";
        FUZZ_CHECK(platform::ForceDirectories(s.cache));
        return s;
    }();
    return paths;
}

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    if (platform::FilePtr f = platform::OpenStdFile(path, "rb")) {
        char chunk[8192];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0)
            bytes.append(chunk, n);
    }
    return bytes;
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<platform::DirEntry> entries;
    FUZZ_CHECK(platform::ListDirectory(dir, entries));
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

struct Size {
    int width = 0;
    int height = 0;
};

// The source's size and the height it fits to, when it opens at all.
std::optional<Size> Expected(const std::string& source, int width)
{
    try {
        const auto src = picture::OpenPicture(source);
        return Size {src->width(), picture::FittedHeight(src->width(), src->height(), width)};
    } catch (const EPictureError&) {
        return std::nullopt;
    }
}

void CheckDecodesAs(const std::string& file, int width, int height)
{
    const picture::RgbPicture back = picture::LoadPicture(file);
    FUZZ_CHECK(back.width == width && back.height == height);
    FUZZ_CHECK(back.rgb.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
}

void FitFile(const Scratch& s, int width)
{
    const std::optional<Size> expected = Expected(s.source, width);
    bool written = false;
    try {
        const picture::PictureSize got = picture::FitPictureFile(s.source, width, s.output);
        FUZZ_CHECK(expected.has_value());
        FUZZ_CHECK(got.width == width && got.height == expected->height);
        written = true;
    } catch (const EPictureError&) {
    }
    // On failure not even a temporary file stays behind.
    FUZZ_CHECK(Names(s.dir).size() == (written ? 3u : 2u)); // in.jpg, cache/, out.jpg
    if (written) {
        CheckDecodesAs(s.output, width, expected->height);
        FUZZ_CHECK(platform::RemoveFile(s.output));
    }
}

void FitToScreen(const Scratch& s, int width)
{
    const std::optional<Size> expected = Expected(s.source, width);
    std::optional<FitResult> result;
    try {
        result = FitToScreenWidth(s.source, width, s.cache);
    } catch (const EPictureError&) {
    }
    if (result) {
        FUZZ_CHECK(expected.has_value());
        FUZZ_CHECK(result->fitted == (expected->width > width));
        if (result->fitted) {
            FUZZ_CHECK(result->file.rfind(s.cache, 0) == 0);
            CheckDecodesAs(result->file, width, expected->height);
        } else {
            FUZZ_CHECK(result->file == s.source);
        }
    }
    // The same source always has the same fitted name; nothing else stays.
    FUZZ_CHECK(Names(s.cache).size() <= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const Scratch& s = Paths();
    static constexpr std::string_view kSignatures[] = {"\xFF\xD8", "BM", ""};
    const std::string_view signature = kSignatures[data[0] % 3];
    const bool toScreen = (data[0] / 3) % 2 == 1;
    const int width = 16 + data[1] % 49;
    std::string bytes(signature);
    bytes.append(reinterpret_cast<const char*>(data + 2), size - 2);
    {
        platform::FilePtr f = platform::OpenStdFile(s.source, "wb");
        FUZZ_CHECK(f && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size());
    }

    try {
        if (toScreen)
            FitToScreen(s, width);
        else
            FitFile(s, width);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        FUZZ_CHECK(!"only EPictureError may escape");
    }
    FUZZ_CHECK(ReadAll(s.source) == bytes);
    return 0;
}
