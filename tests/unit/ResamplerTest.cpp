// The scaler alone: exact row counts, flat stays flat, ramps stay ramps.
#include <gtest/gtest.h>

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

} // namespace

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
