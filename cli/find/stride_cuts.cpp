#include "cli/find/stride_cuts.h"

#include <cstddef>

namespace {

constexpr int64_t kStretchBlocks = 16;
constexpr int64_t kInterruption = 2;
constexpr int64_t kSideBlocks = 16;  // blocks on each side of a stretch that is cut out
constexpr int64_t kOthers = 4;       // at most a quarter of which share its stride
constexpr float kHotSides = 0.5f;

}  // namespace

std::vector<int64_t> strideCuts(const std::vector<BlockSignal::Measure>& blocks) {
    const int64_t n = int64_t(blocks.size());
    auto signalOf = [&](int64_t from, int64_t count) {
        float signal = 0;
        for (int64_t j = from; j < from + count; ++j) signal += blocks[size_t(j)].signal;
        return signal / float(count);
    };
    // Whether the kSideBlocks blocks from `from` mostly do not share the stride, and look like
    // graphics, but less so than the stretch (`signal`).
    auto otherGraphics = [&](int64_t from, uint8_t stride, float signal) {
        int64_t same = 0;
        for (int64_t j = from; j < from + kSideBlocks; ++j)
            same += blocks[size_t(j)].stride == stride;
        const float side = signalOf(from, kSideBlocks);
        return same * kOthers <= kSideBlocks && side >= kHotSides && side <= signal;
    };
    std::vector<int64_t> cuts;
    for (int64_t k = 0; k < n;) {
        const uint8_t stride = blocks[size_t(k)].stride;
        int64_t last = k;
        for (int64_t j = k + 1; j < n && j - last <= kInterruption + 1; ++j) {
            if (blocks[size_t(j)].stride == stride) last = j;
        }
        const int64_t end = last + 1;
        if (stride == 0 || end - k < kStretchBlocks) {
            ++k;
            continue;
        }
        // A long stretch is cut out or left whole; stretches starting inside it end with it.
        const float signal = signalOf(k, end - k);
        if (k >= kSideBlocks && n - end >= kSideBlocks &&
            otherGraphics(k - kSideBlocks, stride, signal) && otherGraphics(end, stride, signal)) {
            if (cuts.empty() || cuts.back() < k) cuts.push_back(k);
            cuts.push_back(end);
        }
        k = end;
    }
    return cuts;
}
