#include "cli/find/plane_distance.h"

#include <algorithm>
#include <array>
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
// And planes stored one after the other, each a whole picture: bands of one picture a few
// rows of tiles apart share their upright edges less (0.21 at most in the evaluation's
// pictures, where their planes share 0.32 or more).
constexpr double kApartShare = 0.25;
// How much more a plane must share with the next of its tile than with the next tile's first.
constexpr double kClearTilePlanes = 0.1;
// Planes that fill a run lie as far apart as its length over their number, give or take this
// part of it (a 32nd); they share their edges at least this much, and this many times more
// than any other distance so near.
constexpr int64_t kFillSlack = 32;
constexpr double kFillShare = 0.3;
constexpr double kFillClear = 1.1;
constexpr uint64_t kWithinBytes = 0x7F7F7F7F7F7F7F7Full;

// Where neighbouring pixels differ: along each byte's row, and from each byte to the next
// (the row below, within a tile). Where tiles start at words, a tile's last row is not compared
// with the next tile's first, which lies beside it: upright stripes would put edges there at
// every distance a row of tiles apart.
struct Edges {
    std::vector<uint64_t> along, down;
    int downWidth = 64;

    Edges(const uint8_t* bytes, int64_t length, bool tilesAtWords = false) {
        const int64_t words = length / 8;
        along.resize(size_t(words));
        down.resize(size_t(words));
        uint64_t inTiles = ~uint64_t(0);
        if (tilesAtWords) {
            const uint8_t lastRow[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
            std::memcpy(&inTiles, lastRow, 8);
            downWidth = 56;
        }
        for (int64_t w = 0; w < words; ++w) {
            uint64_t here, next = 0;
            std::memcpy(&here, bytes + 8 * w, 8);
            std::memcpy(&next, bytes + 8 * w + 1, size_t(std::min<int64_t>(8, length - 8 * w - 1)));
            along[size_t(w)] = (here ^ (here >> 1)) & kWithinBytes;
            down[size_t(w)] = (here ^ next) & inTiles;
        }
    }
};

// Counts of the edges of pairs of words of one edge map, for their correlation: how much more
// they are in the same places than chance gives at their densities.
struct EdgeCounts {
    int64_t both = 0, inA = 0, inB = 0, bits = 0;

    void add(uint64_t x, uint64_t y, int width) {
        both += std::popcount(x & y);
        inA += std::popcount(x);
        inB += std::popcount(y);
        bits += width;
    }
    // Whether both have edges, and not only edges: else they correlate with nothing.
    bool varies() const { return inA > 0 && inA < bits && inB > 0 && inB < bits; }
    double correlation() const {
        const double n = double(bits);
        return (n * double(both) - double(inA) * double(inB)) /
               std::sqrt(double(inA) * (n - double(inA)) * double(inB) * (n - double(inB)));
    }
};

// How much the words from `a` and from `b` share their edges: the lesser correlation of the
// edges along rows and of those down columns. The planes of one picture share both; a
// picture's rows of tiles share the edges that run down through them, seldom those along them.
[[gnu::target_clones("popcnt", "default")]] double sharedEdges(const Edges& e, int64_t a, int64_t b,
                                                               int64_t words, double none = 0.0) {
    EdgeCounts along, down;
    for (int64_t w = 0; w < words; ++w) {
        along.add(e.along[size_t(a + w)], e.along[size_t(b + w)], std::popcount(kWithinBytes));
        down.add(e.down[size_t(a + w)], e.down[size_t(b + w)], e.downWidth);
    }
    if (!along.varies() || !down.varies()) return none;
    return std::min(along.correlation(), down.correlation());
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
        sharedEdges(edges, from, from + d, std::min(to - from, kCompareBytes / 8)) < kApartShare) {
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

std::optional<PlaneSplit> planeSplitFilling(const uint8_t* bytes, int64_t length) {
    const Edges edges(bytes, length, true);
    const int64_t words = length / 8;
    struct Fill {
        int planes;
        int64_t distance;  // in words
        double shared;
    };
    std::vector<Fill> fills;
    for (int planes = 2; planes <= 8; ++planes) {
        const int64_t middle = words / planes;
        const int64_t slack = std::max<int64_t>(2, middle / kFillSlack);
        if (8 * (middle - slack) < kMinPlaneBytes) break;
        if (8 * (middle + slack) > kMaxPlaneBytes) continue;
        double peak = 0, next = 0;  // the most any distance shares, and the next most
        int64_t at = 0;
        for (int64_t d = middle - slack; d <= middle + slack; ++d) {
            const double shared = sharedEdges(edges, 0, d, std::min(words - d, kCompareBytes / 8));
            next = std::max(next, std::min(peak, shared));
            if (shared > peak) {
                peak = shared;
                at = d;
            }
        }
        // A peak at the edge of the distances tried may lie beyond them.
        if (at > middle - slack && at < middle + slack && peak >= kFillShare &&
            peak >= kFillClear * next) {
            fills.push_back(Fill{planes, at, peak});
        }
    }
    if (fills.empty()) return std::nullopt;
    // Planes two apart share their edges too, and may share them the most: more planes that
    // split each of the best's evenly are taken instead.
    const Fill best =
        *std::max_element(fills.begin(), fills.end(),
                          [](const Fill& a, const Fill& b) { return a.shared < b.shared; });
    Fill most = best;
    for (const Fill& f : fills) {
        if (f.planes > most.planes && f.planes % best.planes == 0) most = f;
    }
    return PlaneSplit{most.planes, 8 * most.distance, 0, false, 0.0};
}

std::optional<PlaneSplit> planeSplitAt(const uint8_t* bytes, int64_t length,
                                       const PlaneSplit& split) {
    return stretchOf(Edges(bytes, length), length / 8, split.distanceBytes / 8, split.threshold);
}

std::optional<TilePlanes> tilePlanesOf(const uint8_t* bytes, int64_t length) {
    const Edges edges(bytes, length);
    const int64_t tiles = length / 8;
    std::optional<TilePlanes> best;
    double clearest = 0;
    for (const int planes : {2, 3, 4, 8}) {
        if (tiles < 4 * planes) continue;
        // Each tile against the next, by where the tile lies in a group of `planes`.
        std::vector<EdgeCounts> along(static_cast<size_t>(planes)),
            down(static_cast<size_t>(planes));
        for (int64_t k = 0; k + 1 < tiles; ++k) {
            along[size_t(k % planes)].add(edges.along[size_t(k)], edges.along[size_t(k + 1)],
                                          std::popcount(kWithinBytes));
            down[size_t(k % planes)].add(edges.down[size_t(k)], edges.down[size_t(k + 1)], 64);
        }
        std::vector<double> shared(static_cast<size_t>(planes));
        for (size_t r = 0; r < shared.size(); ++r) {
            if (!along[r].varies() || !down[r].varies()) return std::nullopt;
            shared[r] = std::min(along[r].correlation(), down[r].correlation());
        }
        // The last plane of a group against the next group's first: another place.
        const auto across = std::min_element(shared.begin(), shared.end());
        double within = 1.0;
        for (auto r = shared.begin(); r != shared.end(); ++r) {
            if (r != across) within = std::min(within, *r);
        }
        if (within >= kPlanesShare && within - *across > clearest) {
            clearest = within - *across;
            best = TilePlanes{planes, (across - shared.begin() + 1) % planes};
        }
    }
    return clearest >= kClearTilePlanes ? best : std::nullopt;
}

bool noisePlane(const uint8_t* bytes, int64_t length) {
    constexpr double kNoiseBits = 7.0;  // of entropy a byte, of at most 8
    constexpr double kEven = 0.05;      // how far the share of ones may lie from a half
    if (length < kNoisePlaneBytes) return false;
    std::array<int64_t, 256> counts{};
    int64_t ones = 0;
    for (int64_t i = 0; i < length; ++i) {
        ++counts[bytes[i]];
        ones += std::popcount(unsigned(bytes[i]));
    }
    double bits = 0;
    for (const int64_t c : counts) {
        if (c > 0) bits -= double(c) / double(length) * std::log2(double(c) / double(length));
    }
    return bits >= kNoiseBits && std::abs(double(ones) / double(8 * length) - 0.5) <= kEven;
}
