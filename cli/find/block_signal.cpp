#include "cli/find/block_signal.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

namespace {

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

constexpr int64_t kStrides[] = {1, 2, 3, 4, 8, 16};
constexpr uint64_t kWithinBytes = 0x7F7F7F7F7F7F7F7Full;  // bit pairs inside each byte

// Most of the pass is counting bits: the processor's own instruction where it has one.
[[gnu::target_clones("popcnt", "default")]] BlockSignal::Measure signalOf(const uint8_t* data,
                                                                          const uint8_t* farData) {
    constexpr int64_t kBlockBytes = BlockSignal::kBlockBytes;
    int near[std::size(kStrides)] = {};
    int far = 0, withinNear = 0, withinFar = 0;
    for (int64_t i = 0; i < kBlockBytes; i += 8) {
        const uint64_t w = load64(data + i);
        const uint64_t f = load64(farData + i);
        far += std::popcount(~(w ^ f));
        for (size_t s = 0; s < std::size(kStrides); ++s) {
            near[s] += std::popcount(~(w ^ load64(data + i + kStrides[s])));
        }
        withinNear += std::popcount(~(w ^ (w >> 1)) & kWithinBytes);
        withinFar += std::popcount(~(w ^ (f >> 1)) & kWithinBytes);
    }
    constexpr float kPairs = float(kBlockBytes * 8);
    constexpr float kWithinPairs = float(kBlockBytes * 7);
    const float rest = std::max(kPairs - float(far), 16.0f);
    float best = 0;
    uint8_t stride = 0;
    for (size_t s = 0; s < std::size(kStrides); ++s) {
        const float excess = float(near[s] - far) / rest;
        if (excess > best) {
            best = excess;
            stride = uint8_t(kStrides[s]);
        }
    }
    // Rows of one-bit pixels are also alike along each byte.
    const float withinRest = std::max(kWithinPairs - float(withinFar), 14.0f);
    const float within = float(withinNear - withinFar) / withinRest;
    return {std::min(best, 1.0f) * 0.75f + std::clamp(within, 0.0f, 1.0f) * 0.25f,
            best >= BlockSignal::kClearStride ? stride : uint8_t(0)};
}

}  // namespace

BlockSignal::Measure BlockSignal::measure(const uint8_t* data, const uint8_t* farData) {
    return signalOf(data, farData);
}
