#include "cli/find/adaptive_bits.h"

#include <cmath>

namespace {

// log2 Gamma(k / 2): a table for the counts most contexts hold, Stirling's series beyond it
// (its error there is below 1e-12).
struct HalfLogGamma {
    static constexpr uint32_t kSize = 1 << 14;
    double table[kSize];
    HalfLogGamma() {
        table[0] = 0;
        for (uint32_t k = 1; k < kSize; ++k) table[k] = std::lgamma(k / 2.0) / std::log(2.0);
    }
    double operator()(uint64_t k) const {
        if (k < kSize) return table[k];
        const double x = double(k) / 2.0, inverse = 1 / x, square = inverse * inverse;
        const double nats = (x - 0.5) * std::log(x) - x + 0.91893853320467274 +
                            inverse * (1.0 / 12 - square * (1.0 / 360 - square / 1260));
        return nats / std::log(2.0);
    }
};
const HalfLogGamma kHalfLogGamma;

}  // namespace

double adaptiveBits(uint32_t zeros, uint32_t ones) {
    const uint64_t n = uint64_t(zeros) + ones;
    return kHalfLogGamma(2 * n + 2) + 2 * kHalfLogGamma(1) -
           kHalfLogGamma(2 * uint64_t(zeros) + 1) - kHalfLogGamma(2 * uint64_t(ones) + 1);
}

double adaptiveSymbols(const uint32_t* counts, int kinds) {
    uint64_t n = 0;
    double bits = kHalfLogGamma(uint64_t(kinds));
    for (int i = 0; i < kinds; ++i) {
        if (counts[i] == 0) continue;
        n += counts[i];
        bits -= kHalfLogGamma(2 * uint64_t(counts[i]) + 1) - kHalfLogGamma(1);
    }
    return bits + kHalfLogGamma(2 * n + uint64_t(kinds)) - 2 * kHalfLogGamma(uint64_t(kinds));
}
