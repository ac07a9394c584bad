#include "PictureCache.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "engine/JpegCodec.h"

namespace demo {
namespace {

namespace fs = std::filesystem;

// Averages each 2 x 2 block: thumbnails are drawn at twice their size so
// stars and tree lines do not turn into jagged single pixels.
class HalvingSink : public picture::RowSink {
public:
    HalvingSink(picture::RowSink& out, int width) : out_(out), width_(width), sum_(std::size_t(width / 2) * 3), row_(sum_.size()) {}

    void PutRow(const std::uint8_t* rgb) override
    {
        for (int x = 0; x + 1 < width_; x += 2)
            for (int c = 0; c < 3; ++c)
                sum_[std::size_t(x / 2 * 3 + c)] += rgb[x * 3 + c] + rgb[x * 3 + 3 + c];
        if (++rows_ % 2 != 0)
            return;
        for (std::size_t i = 0; i < sum_.size(); ++i)
            row_[i] = std::uint8_t((sum_[i] + 2) / 4);
        std::fill(sum_.begin(), sum_.end(), 0u);
        out_.PutRow(row_.data());
    }

private:
    picture::RowSink& out_;
    int width_;
    std::vector<unsigned> sum_;
    std::vector<std::uint8_t> row_;
    int rows_ = 0;
};

// Ends a drawing half-way when its generator is asked to stop.
class StoppableSink : public picture::RowSink {
public:
    StoppableSink(picture::RowSink& out, std::stop_token stop) : out_(out), stop_(std::move(stop)) {}
    void PutRow(const std::uint8_t* rgb) override
    {
        if (stop_.stop_requested())
            throw Stopped();
        out_.PutRow(rgb);
    }

private:
    picture::RowSink& out_;
    std::stop_token stop_;
};

constexpr std::string_view kPart = ".part-";

std::string TempName(const std::string& path)
{
    static std::atomic<unsigned> counter {0};
    return path + std::string(kPart) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether file is a temporary name TempName gives one of `finals`: the folder
// may be the user's own, with other programs' ".part-" files in it.
bool IsOwnTemporary(const std::string& file, const std::set<std::string>& finals)
{
    const std::size_t part = file.rfind(kPart);
    if (part == std::string::npos || !finals.contains(file.substr(0, part)))
        return false;
    const std::string_view tail = std::string_view(file).substr(part + kPart.size());
    const std::size_t dash = tail.find('-');
    return dash != std::string_view::npos && AllDigits(tail.substr(0, dash)) && AllDigits(tail.substr(dash + 1));
}

// Removes the temporaries of generators killed half-way; a fresh one may
// belong to another portal sharing the folder.
void RemoveStaleTemporaries(const std::string& folder, const std::set<std::string>& finals)
{
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (IsOwnTemporary(it->path().filename().string(), finals) && it->is_regular_file(ignored) &&
            it->last_write_time(ignored) < old)
            fs::remove(it->path(), ignored);
    }
}

// Draws into a temporary file, then renames it into place.
template <typename Draw>
void Produce(const std::string& path, const std::string& label, Size size, const std::stop_token& stop, Draw draw)
{
    if (fs::exists(path))
        return;
    const std::string temp = TempName(path);
    try {
        picture::JpegWriter writer(temp, label, size.width, size.height);
        StoppableSink sink(writer, stop);
        draw(static_cast<picture::RowSink&>(sink));
        writer.Finish();
        fs::rename(temp, path);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

} // namespace

std::string VariantFileName(const std::string& name, Size size)
{
    return name + "," + std::to_string(size.width) + "," + std::to_string(size.height) + ".jpg";
}

PictureCache::PictureCache(std::string root) : root_(std::move(root))
{
    if (!root_.empty() && root_.back() != '/')
        root_ += '/';
    fs::create_directories(root_ + "thumbs");
    std::set<std::string> variants;
    std::set<std::string> thumbs;
    for (const Picture& p : Catalogue()) {
        thumbs.insert(p.name + ".jpg");
        for (const Size s : p.sizes)
            variants.insert(VariantFileName(p.name, s));
    }
    RemoveStaleTemporaries(root_, variants);
    RemoveStaleTemporaries(root_ + "thumbs", thumbs);
}

std::string PictureCache::VariantPath(const std::string& name, Size size) const
{
    return root_ + VariantFileName(name, size);
}

std::string PictureCache::ThumbPath(const std::string& name) const
{
    return root_ + "thumbs/" + name + ".jpg";
}

std::string PictureCache::Variant(const std::string& name, Size size, std::stop_token stop) const
{
    const std::string path = VariantPath(name, size);
    Produce(path, VariantFileName(name, size), size, stop, [&](picture::RowSink& sink) { Render(name, size, sink); });
    return path;
}

std::string PictureCache::Thumb(const std::string& name, std::stop_token stop) const
{
    const std::string path = ThumbPath(name);
    Produce(path, name + ".jpg", kThumbSize, stop, [&](picture::RowSink& sink) {
        HalvingSink half(sink, kThumbSize.width * 2);
        Render(name, {kThumbSize.width * 2, kThumbSize.height * 2}, half);
    });
    return path;
}

void PictureCache::FillAll(std::stop_token stop) const
{
    struct Job {
        const Picture* picture;
        Size size;
    };
    std::vector<Job> jobs;
    for (const Picture& p : Catalogue())
        for (const Size s : p.sizes)
            jobs.push_back({&p, s});
    std::stable_sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) {
        return std::int64_t(a.size.width) * a.size.height < std::int64_t(b.size.width) * b.size.height;
    });
    for (const Picture& p : Catalogue()) {
        if (stop.stop_requested())
            return;
        Thumb(p.name, stop);
    }
    for (const Job& job : jobs) {
        if (stop.stop_requested())
            return;
        Variant(job.picture->name, job.size, stop);
    }
}

} // namespace demo
