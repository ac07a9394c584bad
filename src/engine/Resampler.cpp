#include "engine/Resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace picture {
namespace {

// Weights are 16-bit fixed point (1.0 == 1 << kBits) and samples 16-bit
// too, so a multiply-add of eight samples is one vector instruction
// (pmaddwd) on both targets. 14 bits keep 1.0 in range and the sums of
// a whole window far from overflow.
constexpr int kBits = 14;
constexpr std::int32_t kHalf = 1 << (kBits - 1);
constexpr double kPi = 3.14159265358979323846;
// Taps are padded to whole groups of kLanes (zero weights), and rows to
// whole blocks of kBlock bytes, so the inner loops have fixed lengths the
// compiler turns into vector code without scalar tails.
constexpr std::size_t kLanes = 8;
constexpr std::size_t kBlock = 16;

double Sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    x *= kPi;
    return std::sin(x) / x;
}

double Lanczos3(double x)
{
    return (x > -3.0 && x < 3.0) ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

// Clamped as 16-bit values (the sums fit), which SSE2 does in vector code.
std::uint8_t Clip8(std::int32_t v)
{
    const auto s = static_cast<std::int16_t>(v >> kBits);
    return static_cast<std::uint8_t>(std::min<std::int16_t>(std::max<std::int16_t>(s, 0), 255));
}

// One group of taps: a single multiply-add of eight 16-bit pairs and a sum.
std::int32_t Dot(const std::int16_t* p, const std::int16_t* k)
{
    std::int32_t s = 0;
    for (std::size_t j = 0; j < kLanes; ++j)
        s += p[j] * k[j];
    return s;
}

// n is a whole number of blocks.
void ClipRow(const std::int32_t* __restrict sums, std::uint8_t* __restrict out, std::size_t n)
{
    for (std::size_t i = 0; i < n; i += kBlock)
        for (std::size_t j = 0; j < kBlock; ++j)
            out[i + j] = Clip8(sums[i + j]);
}

std::size_t PadTo(std::size_t n, std::size_t unit)
{
    return (n + unit - 1) / unit * unit;
}

// The input span and fixed-point weights of every output position along one axis.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int16_t> weights;   // `stride` slots per output position, zero past count
    int stride = 0;                      // a whole number of kLanes

    Taps(int inSize, int outSize)
    {
        const double scale = static_cast<double>(inSize) / outSize;
        const double widen = std::max(scale, 1.0);
        const double support = 3.0 * widen;
        const int most = std::min(inSize, static_cast<int>(std::ceil(support)) * 2 + 1);
        first.resize(static_cast<std::size_t>(outSize));
        count.resize(static_cast<std::size_t>(outSize));
        std::vector<std::int32_t> fixed(static_cast<std::size_t>(outSize) * static_cast<std::size_t>(most), 0);
        std::vector<double> w(static_cast<std::size_t>(most));
        int widest = 1;
        for (int i = 0; i < outSize; ++i) {
            const double centre = (i + 0.5) * scale;
            const int lo = std::max(0, static_cast<int>(centre - support + 0.5));
            const int hi = std::min(inSize, static_cast<int>(centre + support + 0.5));
            const int n = std::max(1, std::min(hi - lo, most));
            double sum = 0.0;
            for (int t = 0; t < n; ++t) {
                w[static_cast<std::size_t>(t)] = Lanczos3((lo + t - centre + 0.5) / widen);
                sum += w[static_cast<std::size_t>(t)];
            }
            std::int32_t* out = &fixed[static_cast<std::size_t>(i) * static_cast<std::size_t>(most)];
            std::int32_t total = 0;
            int biggest = 0;
            for (int t = 0; t < n; ++t) {
                out[t] = static_cast<std::int32_t>(std::lround(w[static_cast<std::size_t>(t)] / sum * (1 << kBits)));
                total += out[t];
                if (out[t] > out[biggest])
                    biggest = t;
            }
            // Weights that sum to exactly one keep flat areas exactly flat.
            out[biggest] += (1 << kBits) - total;
            // Zero weights at the ends (an unscaled axis has only one tap).
            int skip = 0, used = n;
            while (used > 1 && out[skip] == 0) {
                ++skip;
                --used;
            }
            while (used > 1 && out[skip + used - 1] == 0)
                --used;
            std::copy(out + skip, out + skip + used, out);
            std::fill(out + used, out + most, 0);
            first[static_cast<std::size_t>(i)] = lo + skip;
            count[static_cast<std::size_t>(i)] = used;
            widest = std::max(widest, used);
        }
        stride = static_cast<int>(PadTo(static_cast<std::size_t>(widest), kLanes));
        weights.assign(static_cast<std::size_t>(outSize) * static_cast<std::size_t>(stride), 0);
        for (std::size_t i = 0; i < static_cast<std::size_t>(outSize); ++i)
            for (std::size_t t = 0; t < static_cast<std::size_t>(count[i]); ++t)
                weights[i * static_cast<std::size_t>(stride) + t] =
                    static_cast<std::int16_t>(fixed[i * static_cast<std::size_t>(most) + t]);
    }
};

} // namespace

// Exact box average by whole factors; partial boxes at the right and bottom
// edges average what they hold.
class Resampler::BoxStage : public RowSink {
public:
    BoxStage(int inW, int inH, int kx, int ky, RowSink& out)
        : inW_(inW), inH_(inH), kx_(kx), ky_(ky), outW_((inW + kx - 1) / kx), out_(out),
          cols_(static_cast<std::size_t>(inW) * 3, 0), row_(static_cast<std::size_t>(outW_) * 3)
    {
    }
    int outWidth() const { return outW_; }
    int outHeight() const { return (inH_ + ky_ - 1) / ky_; }

    void PutRow(const std::uint8_t* rgb) override
    {
        // Columns add up row by row (vector code); boxes are summed across
        // only once per box row.
        AddRow(cols_.data(), rgb, cols_.size());
        ++rowsIn_;
        ++rowsInBox_;
        if (rowsInBox_ < ky_ && rowsIn_ < inH_)
            return;
        const std::uint32_t* col = cols_.data();
        for (int bx = 0; bx < outW_; ++bx) {
            const int x0 = bx * kx_;
            const int x1 = std::min(x0 + kx_, inW_);
            std::uint64_t r = 0, g = 0, b = 0;   // 64 bits: boxes may be huge
            for (int x = x0; x < x1; ++x) {
                r += col[3 * x];
                g += col[3 * x + 1];
                b += col[3 * x + 2];
            }
            const auto n = static_cast<std::uint64_t>(x1 - x0) * static_cast<std::uint64_t>(rowsInBox_);
            row_[3 * static_cast<std::size_t>(bx)] = static_cast<std::uint8_t>((r + n / 2) / n);
            row_[3 * static_cast<std::size_t>(bx) + 1] = static_cast<std::uint8_t>((g + n / 2) / n);
            row_[3 * static_cast<std::size_t>(bx) + 2] = static_cast<std::uint8_t>((b + n / 2) / n);
        }
        std::fill(cols_.begin(), cols_.end(), 0U);
        rowsInBox_ = 0;
        out_.PutRow(row_.data());
    }

private:
    static void AddRow(std::uint32_t* __restrict col, const std::uint8_t* __restrict row, std::size_t n)
    {
        const std::size_t whole = n / kBlock * kBlock;
        for (std::size_t i = 0; i < whole; i += kBlock)
            for (std::size_t j = 0; j < kBlock; ++j)
                col[i + j] += row[i + j];
        for (std::size_t i = whole; i < n; ++i)
            col[i] += row[i];
    }

    int inW_, inH_, kx_, ky_, outW_;
    RowSink& out_;
    std::vector<std::uint32_t> cols_;   // a column's sum over the box's rows so far
    std::vector<std::uint8_t> row_;
    int rowsIn_ = 0;
    int rowsInBox_ = 0;
};

// Separable Lanczos: each arriving row is filtered across at once into a ring
// of narrow rows; an output row is filtered down as soon as its window is in.
class Resampler::LanczosStage : public RowSink {
public:
    LanczosStage(int inW, int inH, int outW, int outH, RowSink& out)
        : inW_(inW), outW_(outW), outH_(outH), out_(out), tx_(inW, outW), ty_(inH, outH),
          rowBytes_(PadTo(static_cast<std::size_t>(outW) * 3, kBlock)),
          ringRows_(static_cast<std::size_t>(ty_.stride)),
          ring_(ringRows_ * rowBytes_, 0), row_(rowBytes_, 0), sums_(rowBytes_, 0), window_(ringRows_)
    {
        if (inW_ != outW_) {
            // Room for the last position's padded taps past the row's end.
            const std::size_t plane = static_cast<std::size_t>(inW_) + static_cast<std::size_t>(tx_.stride);
            for (auto& p : planes_)
                p.assign(plane, 0);
        }
    }

    void PutRow(const std::uint8_t* rgb) override
    {
        std::uint8_t* slot = Slot(rowsIn_);
        if (inW_ == outW_)
            std::memcpy(slot, rgb, static_cast<std::size_t>(outW_) * 3);
        else
            FilterAcross(rgb, slot);
        ++rowsIn_;
        while (next_ < outH_) {
            const auto y = static_cast<std::size_t>(next_);
            if (ty_.first[y] + ty_.count[y] > rowsIn_)
                break;
            FilterDown(y);
            ++next_;
        }
    }

private:
    std::uint8_t* Slot(int row)
    {
        return ring_.data() + static_cast<std::size_t>(row) % ringRows_ * rowBytes_;
    }

    void FilterAcross(const std::uint8_t* in, std::uint8_t* out)
    {
        std::int16_t* r = planes_[0].data();
        std::int16_t* g = planes_[1].data();
        std::int16_t* b = planes_[2].data();
        for (std::size_t x = 0; x < static_cast<std::size_t>(inW_); ++x) {
            r[x] = in[3 * x];
            g[x] = in[3 * x + 1];
            b[x] = in[3 * x + 2];
        }
        const auto stride = static_cast<std::size_t>(tx_.stride);
        for (std::size_t x = 0; x < static_cast<std::size_t>(outW_); ++x) {
            const std::int16_t* k = &tx_.weights[x * stride];
            const auto at = static_cast<std::size_t>(tx_.first[x]);
            const std::int16_t* pr = r + at;
            const std::int16_t* pg = g + at;
            const std::int16_t* pb = b + at;
            std::int32_t sr = kHalf, sg = kHalf, sb = kHalf;
            for (std::size_t t = 0; t < stride; t += kLanes) {
                sr += Dot(pr + t, k + t);
                sg += Dot(pg + t, k + t);
                sb += Dot(pb + t, k + t);
            }
            sums_[3 * x] = sr;
            sums_[3 * x + 1] = sg;
            sums_[3 * x + 2] = sb;
        }
        // Clipped apart from the sums, so this loop is vector code too.
        ClipRow(sums_.data(), out, rowBytes_);
    }

    void FilterDown(std::size_t y)
    {
        const int count = ty_.count[y];
        const std::int16_t* k = &ty_.weights[y * static_cast<std::size_t>(ty_.stride)];
        if (count == 1 && k[0] == (1 << kBits)) {
            out_.PutRow(Slot(ty_.first[y]));
            return;
        }
        for (int t = 0; t < count; ++t)
            window_[static_cast<std::size_t>(t)] = Slot(ty_.first[y] + t);
        const std::uint8_t* const* src = window_.data();
        // A block's sums stay in registers across all taps.
        for (std::size_t i = 0; i < rowBytes_; i += kBlock) {
            std::int32_t acc[kBlock];
            for (std::size_t j = 0; j < kBlock; ++j)
                acc[j] = kHalf;
            for (int t = 0; t < count; ++t) {
                const std::uint8_t* p = src[t] + i;
                const std::int32_t w = k[t];
                for (std::size_t j = 0; j < kBlock; ++j)
                    acc[j] += p[j] * w;
            }
            std::copy(acc, acc + kBlock, sums_.data() + i);
        }
        ClipRow(sums_.data(), row_.data(), rowBytes_);
        out_.PutRow(row_.data());
    }

    int inW_, outW_, outH_;
    RowSink& out_;
    Taps tx_, ty_;
    std::size_t rowBytes_;   // a ring row: outW * 3 padded to whole blocks
    std::size_t ringRows_;
    std::vector<std::uint8_t> ring_;
    std::vector<std::uint8_t> row_;
    std::vector<std::int32_t> sums_;   // a filtered row before clipping
    std::vector<const std::uint8_t*> window_;
    std::array<std::vector<std::int16_t>, 3> planes_;   // the input row split by channel
    int rowsIn_ = 0;
    int next_ = 0;
};

Resampler::Resampler(int inWidth, int inHeight, int outWidth, int outHeight, RowSink& out)
{
    // Box-average down to no less than twice the target: the Lanczos step
    // that follows still sees enough pixels to filter properly.
    const int kx = std::max(1, inWidth / (2 * outWidth));
    const int ky = std::max(1, inHeight / (2 * outHeight));
    if (kx > 1 || ky > 1) {
        const int bw = (inWidth + kx - 1) / kx;
        const int bh = (inHeight + ky - 1) / ky;
        lanczos_ = std::make_unique<LanczosStage>(bw, bh, outWidth, outHeight, out);
        box_ = std::make_unique<BoxStage>(inWidth, inHeight, kx, ky, *lanczos_);
        first_ = box_.get();
    } else {
        lanczos_ = std::make_unique<LanczosStage>(inWidth, inHeight, outWidth, outHeight, out);
        first_ = lanczos_.get();
    }
}

Resampler::~Resampler() = default;

void Resampler::PutRow(const std::uint8_t* rgb)
{
    first_->PutRow(rgb);
}

} // namespace picture
