#include "cli/find/plane_distance.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kMinPlaneBytes = 256;       // the smallest plane looked for
constexpr int64_t kMaxPlaneBytes = 64 << 10;  // and the largest
constexpr int64_t kCompareBytes = 4096;       // bytes compared at each distance, at most
constexpr int64_t kBlockWords = 8;            // the stretch of shared edges is found by these
constexpr double kClearPeak = 1.25;           // how far a distance stands out of those near it
// How much the planes of one picture share their edges at least, as a correlation: unrelated
// bytes share none, and rows of tiles read as planes little.
constexpr double kPlanesShare = 0.1;
constexpr uint64_t kWithinBytes = 0x7F7F7F7F7F7F7F7Full;

// Where neighbouring pixels differ: along each byte's row, and from each byte to the next
// (the row below, within a tile).
struct Edges {
    std::vector<uint64_t> along, down;

    Edges(const uint8_t* bytes, int64_t length) {
        const int64_t words = length / 8;
        along.resize(size_t(words));
        down.resize(size_t(words));
        for (int64_t w = 0; w < words; ++w) {
            uint64_t here, next = 0;
            std::memcpy(&here, bytes + 8 * w, 8);
            std::memcpy(&next, bytes + 8 * w + 1, size_t(std::min<int64_t>(8, length - 8 * w - 1)));
            along[size_t(w)] = (here ^ (here >> 1)) & kWithinBytes;
            down[size_t(w)] = here ^ next;
        }
    }
};

// How much more the words from `a` and from `b` have their edges in the same places than
// chance gives at their densities: the correlation of the two edge maps, the lesser of the
// edges along rows and down columns. The planes of one picture share both; a picture's rows
// of tiles share the edges that run down through them, seldom those along them. Where either
// has no edge or only edges, `none`.
[[gnu::target_clones("popcnt", "default")]] double sharedEdges(const Edges& e, int64_t a, int64_t b,
                                                               int64_t words, double none = 0.0) {
    double least = 1.0;
    for (const std::vector<uint64_t>* map : {&e.along, &e.down}) {
        int64_t both = 0, inA = 0, inB = 0;
        for (int64_t w = 0; w < words; ++w) {
            const uint64_t x = (*map)[size_t(a + w)], y = (*map)[size_t(b + w)];
            both += std::popcount(x & y);
            inA += std::popcount(x);
            inB += std::popcount(y);
        }
        const double n = double(words) * (map == &e.along ? std::popcount(kWithinBytes) : 64);
        const double spread = double(inA) * (n - double(inA)) * double(inB) * (n - double(inB));
        if (spread <= 0) return none;
        least = std::min(least, (n * double(both) - double(inA) * double(inB)) / std::sqrt(spread));
    }
    return least;
}

// The planes but the last share the edges of the next: the stretch whose blocks share more
// than `threshold`, most of all, is a plane short of them.
std::optional<PlaneSplit> stretchOf(const Edges& edges, int64_t words, int64_t d,
                                    double threshold) {
    double run = 0, most = 0;
    int64_t runFrom = 0, from = 0, to = 0;
    for (int64_t w = 0; w + kBlockWords + d <= words; w += kBlockWords) {
        if (run <= 0) {
            run = 0;
            runFrom = w;
        }
        run += sharedEdges(edges, w, w + d, kBlockWords, threshold) - threshold;
        if (run > most) {
            most = run;
            from = runFrom;
            to = w + kBlockWords;
        }
    }
    // Where the planes reach the run's end, the last may be cut short.
    const bool cut = to + d + kBlockWords > words;
    const int64_t planes = (to - from + (cut ? d - d / 4 : d / 2)) / d + 1;
    if (planes < 2 || planes > 8 || (!cut && std::abs(to - from - (planes - 1) * d) > d / 4) ||
        sharedEdges(edges, from, from + d, std::min(to - from, kCompareBytes / 8)) < kPlanesShare) {
        return std::nullopt;
    }
    return PlaneSplit{int(planes), 8 * d, 8 * from, cut, threshold};
}

}  // namespace

std::optional<PlaneSplit> planeSplitOf(const uint8_t* bytes, int64_t length) {
    const int64_t words = length / 8;
    const int64_t farthest = std::min(kMaxPlaneBytes, length / 2) / 8;
    const int64_t nearest = kMinPlaneBytes / 8;
    if (farthest <= nearest) return std::nullopt;
    const Edges edges(bytes, length);
    // Distances below the nearest are measured too, for the nearest to be compared with.
    std::vector<double> shared(size_t(farthest + 1), 0.0);
    for (int64_t d = nearest / 2; d <= farthest; ++d) {
        // In the middle of the run, which is likelier to be graphics than its ends.
        const int64_t compared = std::min(kCompareBytes / 8, words - d);
        const int64_t from = (words - d - compared) / 2;
        shared[size_t(d)] = sharedEdges(edges, from, from + d, compared);
    }
    // What unrelated stretches of the run share: the usual of all distances.
    std::vector<double> usual(shared.begin() + nearest, shared.end());
    std::nth_element(usual.begin(), usual.begin() + long(usual.size() / 2), usual.end());
    const double background = usual[usual.size() / 2];
    std::vector<std::pair<double, int64_t>> peaks;
    for (int64_t d = nearest; d <= farthest; ++d) {
        const double bar = shared[size_t(d)] / kClearPeak;
        bool clear = bar > std::max(0.0, background);
        for (int64_t n = d - d / 2; clear && n <= std::min(farthest, d + d / 2); ++n) {
            clear = n == d || shared[size_t(n)] < bar;
        }
        if (clear) peaks.push_back({shared[size_t(d)], d});
    }
    std::sort(peaks.rbegin(), peaks.rend());
    for (const auto& [peak, d] : peaks) {
        const double threshold = background + (peak - background) / 3;
        if (const auto split = stretchOf(edges, words, d, threshold)) return split;
    }
    return std::nullopt;
}

std::optional<PlaneSplit> planeSplitAt(const uint8_t* bytes, int64_t length,
                                       const PlaneSplit& split) {
    return stretchOf(Edges(bytes, length), length / 8, split.distanceBytes / 8, split.threshold);
}
