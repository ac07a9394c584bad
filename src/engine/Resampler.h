#pragma once
// Streaming picture scaler: rows go in at one size and come out at another,
// filtered with Lanczos-3 (support widened by the reduction factor, so it
// averages rather than skips). Reductions of 4x and more first pass through
// an exact box average to a size at most 4x the target, which keeps the cost
// per input pixel small. Only a window of filtered rows is held.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/RowSink.h"

namespace picture {

class Resampler : public RowSink {
public:
    Resampler(int inWidth, int inHeight, int outWidth, int outHeight, RowSink& out);
    ~Resampler() override;
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    void PutRow(const std::uint8_t* rgb) override;

private:
    class BoxStage;
    class LanczosStage;
    std::unique_ptr<LanczosStage> lanczos_;
    std::unique_ptr<BoxStage> box_;
    RowSink* first_ = nullptr;
};

} // namespace picture
