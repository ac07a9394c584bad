// The scaler alone: exact row counts, flat stays flat, ramps stay ramps,
// and the fixed-point vector loops agree with a plain floating-point filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "engine/Resampler.h"

namespace {

struct Collect : picture::RowSink {
    int width;
    std::vector<std::vector<std::uint8_t>> rows;
    explicit Collect(int w) : width(w) {}
    void PutRow(const std::uint8_t* rgb) override { rows.emplace_back(rgb, rgb + width * 3); }
};

template <typename F>
Collect Scale(int inW, int inH, int outW, int outH, F value)
{
    Collect out(outW);
    picture::Resampler r(inW, inH, outW, outH, out);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(inW) * 3);
    for (int y = 0; y < inH; ++y) {
        for (int x = 0; x < inW; ++x)
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x * 3 + c)] = value(x, y, c);
        r.PutRow(row.data());
    }
    return out;
}

// Lanczos-3 widened by the reduction factor, in doubles, one axis at a time.
// Like the scaler it keeps the intermediate rows in 8 bits.
std::vector<double> Weights(int inSize, int outSize, int i)
{
    const double scale = static_cast<double>(inSize) / outSize;
    const double widen = std::max(scale, 1.0);
    const double centre = (i + 0.5) * scale;
    auto lanczos = [](double x) {
        auto sinc = [](double v) { return v == 0.0 ? 1.0 : std::sin(std::numbers::pi * v) / (std::numbers::pi * v); };
        return std::abs(x) < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
    };
    std::vector<double> w(static_cast<std::size_t>(inSize));
    double sum = 0.0;
    for (int j = 0; j < inSize; ++j)
        sum += w[static_cast<std::size_t>(j)] = lanczos((j + 0.5 - centre) / widen);
    for (double& v : w)
        v /= sum;
    return w;
}

std::uint8_t Round8(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

TEST(Resampler, MatchesAFloatingPointLanczosOnAwkwardSizes)
{
    // Odd widths, one pixel, widths that are no multiple of the vector
    // length, reductions below the box stage's threshold and enlargements,
    // and windows of many rows, which the ring of filtered rows must hold.
    const int sizes[][4] = {{37, 23, 13, 11}, {1, 1, 1, 1},   {3, 1, 1, 1},    {1, 9, 5, 3},
                            {101, 7, 100, 6}, {50, 3, 17, 2}, {6, 5, 19, 13},  {300, 21, 97, 8},
                            {40, 200, 23, 61}, {13, 50, 7, 150}};
    std::mt19937 rng(5);
    for (const auto& s : sizes) {
        const int inW = s[0], inH = s[1], outW = s[2], outH = s[3];
        SCOPED_TRACE(testing::Message() << inW << "x" << inH << " -> " << outW << "x" << outH);
        std::vector<std::uint8_t> in(static_cast<std::size_t>(inW * inH * 3));
        for (auto& v : in)
            v = static_cast<std::uint8_t>(rng());
        const Collect out = Scale(inW, inH, outW, outH, [&](int x, int y, int c) {
            return in[static_cast<std::size_t>((y * inW + x) * 3 + c)];
        });
        ASSERT_EQ(out.rows.size(), static_cast<std::size_t>(outH));
        // Across, rounded to 8 bits, then down.
        std::vector<std::uint8_t> across(static_cast<std::size_t>(outW * inH * 3));
        for (int x = 0; x < outW; ++x) {
            const auto w = Weights(inW, outW, x);
            for (int y = 0; y < inH; ++y)
                for (int c = 0; c < 3; ++c) {
                    double v = 0.0;
                    for (int j = 0; j < inW; ++j)
                        v += w[static_cast<std::size_t>(j)] * in[static_cast<std::size_t>((y * inW + j) * 3 + c)];
                    across[static_cast<std::size_t>((y * outW + x) * 3 + c)] = Round8(v);
                }
        }
        int worst = 0;
        for (int y = 0; y < outH; ++y) {
            const auto w = Weights(inH, outH, y);
            for (int i = 0; i < outW * 3; ++i) {
                double v = 0.0;
                for (int j = 0; j < inH; ++j)
                    v += w[static_cast<std::size_t>(j)] * across[static_cast<std::size_t>(j * outW * 3 + i)];
                worst = std::max(worst, std::abs(out.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(i)] - Round8(v)));
            }
        }
        EXPECT_LE(worst, 1);
    }
}

TEST(Resampler, EmitsExactlyTheTargetRowsForAnyFactor)
{
    const int sizes[][4] = {{100, 100, 50, 50}, {1000, 37, 10, 1}, {7, 3, 7, 2}, {30, 1, 3, 1},
                            {500, 900, 17, 31}, {10, 10, 25, 25}, {4000, 40, 100, 1}, {64, 64, 64, 64}};
    for (const auto& s : sizes) {
        const Collect out = Scale(s[0], s[1], s[2], s[3], [](int, int, int) -> std::uint8_t { return 77; });
        ASSERT_EQ(out.rows.size(), static_cast<std::size_t>(s[3])) << s[0] << "x" << s[1] << "->" << s[2] << "x" << s[3];
        for (const auto& row : out.rows)
            for (std::uint8_t v : row)
                ASSERT_EQ(v, 77);   // flat stays exactly flat, box stage included
    }
}

TEST(Resampler, RampsStayMonotonicAndChannelsStaySeparate)
{
    const Collect out = Scale(2560, 40, 300, 10, [](int x, int, int c) -> std::uint8_t {
        return c == 0 ? static_cast<std::uint8_t>(x / 10) : c == 1 ? 255 - static_cast<std::uint8_t>(x / 10) : 0;
    });
    for (const auto& row : out.rows) {
        for (int x = 1; x < 300; ++x) {
            EXPECT_GE(row[3 * x], row[3 * (x - 1)]);
            EXPECT_LE(row[3 * x + 1], row[3 * (x - 1) + 1]);
            EXPECT_EQ(row[3 * x + 2], 0);
        }
        EXPECT_LE(row[0], 5);
        EXPECT_GE(row[3 * 299], 250);
    }
}

TEST(Resampler, AveragesFineDetailInsteadOfPickingSamples)
{
    // One-pixel stripes: a sampling scaler would keep black or white, a
    // filtering one gives grey.
    const Collect out = Scale(1200, 1200, 100, 100, [](int x, int y, int) -> std::uint8_t {
        return ((x + y) & 1) ? 255 : 0;
    });
    for (const auto& row : out.rows)
        for (std::uint8_t v : row)
            ASSERT_NEAR(v, 128, 2);
}
