#include "cli/find/column_wrap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace {

constexpr int64_t kNarrowest = 16;  // bytes: two tiles
constexpr int64_t kWidest = 512;
// How well each column continues into the one a width on, as a correlation, at least.
constexpr double kContinues = 0.3;
constexpr int64_t kWraps = 3;  // that the bytes must hold, at least
// How much more neighbouring bytes differ, in bits, where rows wrap than anywhere else in a row.
constexpr double kStandsOut = 1.5;

}  // namespace

int64_t columnWrap(const uint8_t* bytes, int64_t length, int topBit) {
    const int bottomBit = 7 - topBit;
    // The width: where a column's bottom pixel predicts the top pixel of the column that far
    // on the best.
    int64_t width = 0;
    double best = kContinues;
    for (int64_t w = kNarrowest; w <= kWidest && (kWraps + 1) * w <= length; w += 8) {
        const int64_t n = length - w;
        int64_t bottoms = 0, tops = 0, both = 0;
        for (int64_t i = 0; i < n; ++i) {
            const int bottom = (bytes[i] >> bottomBit) & 1, top = (bytes[i + w] >> topBit) & 1;
            bottoms += bottom;
            tops += top;
            both += bottom & top;
        }
        const double spread =
            double(bottoms) * double(n - bottoms) * double(tops) * double(n - tops);
        if (spread <= 0) continue;
        const double r =
            (double(n) * double(both) - double(bottoms) * double(tops)) / std::sqrt(spread);
        if (r > best) {
            best = r;
            width = w;
        }
    }
    if (width == 0) return -1;
    // The bits in which each byte differs from the next, by where the byte lies in a row.
    std::vector<int64_t> differ(static_cast<size_t>(width), 0),
        pairs(static_cast<size_t>(width), 0);
    for (int64_t i = 0; i + 1 < length; ++i) {
        differ[size_t(i % width)] += std::popcount(unsigned(bytes[i] ^ bytes[i + 1]));
        ++pairs[size_t(i % width)];
    }
    int64_t last = -1;
    double most = 0, next = 0;
    for (int64_t r = 0; r < width; ++r) {
        const double mean = double(differ[size_t(r)]) / double(pairs[size_t(r)]);
        if (mean > most) {
            next = most;
            most = mean;
            last = r;
        } else {
            next = std::max(next, mean);
        }
    }
    if (last < 0 || most < kStandsOut * next) return -1;
    return (last + 1) % width;
}
