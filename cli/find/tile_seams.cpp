#include "cli/find/tile_seams.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "cli/find/grey_tiles.h"

namespace {

// Of the eight bytes of a and b, how many are equal, among those whose high bit in `lanes`
// is set.
int equalBytes(uint64_t a, uint64_t b, uint64_t lanes) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t v = a ^ b;
    const uint64_t zero = ~(((v & kLow7) + kLow7) | v | kLow7);       // 0x80 where a byte is 0
    return int(((zero & lanes) >> 7) * 0x0101010101010101ull >> 56);  // the lanes set, added
}

template <int kPlanes>
double agreement(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles) {
    constexpr int kMaxSide = GreyTiles<kPlanes>::kMaxSide;
    constexpr int kStride = kMaxSide + 8;  // rows compared eight pixels at a time
    const int side = layout.tileSize;
    GreyTiles<kPlanes> reader(layout);
    uint8_t grey[kMaxSide + 1][kStride] = {};
    // Which of eight pixels from x have a neighbour to the right, and which are in the tile.
    uint64_t right[kMaxSide / 8], inside[kMaxSide / 8];
    for (int x = 0; x < kMaxSide; x += 8) {
        right[x / 8] = inside[x / 8] = 0;
        for (int i = 0; i < 8; ++i) {
            if (x + i + 1 < side) right[x / 8] |= uint64_t(0x80) << (8 * i);
            if (x + i < side) inside[x / 8] |= uint64_t(0x80) << (8 * i);
        }
    }
    const int64_t bits = 8 * length;
    int64_t equal = 0, pairs = 0;
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, bits)) continue;
        reader.read(bytes, base, &grey[0][0], kStride);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; x += 8) {
                uint64_t here, next, below;
                std::memcpy(&here, &grey[y][x], 8);
                std::memcpy(&next, &grey[y][x + 1], 8);
                std::memcpy(&below, &grey[y + 1][x], 8);
                equal += equalBytes(here, next, right[x / 8]);
                if (y + 1 < side) equal += equalBytes(here, below, inside[x / 8]);
            }
        }
        pairs += 2 * int64_t(side) * (side - 1);
    }
    return pairs ? double(equal) / double(pairs) : 0;
}

template <int kPlanes>
double seams(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
             double* inside) {
    constexpr int kMaxSide = GreyTiles<kPlanes>::kMaxSide;
    const int64_t side = layout.tileSize;
    GreyTiles<kPlanes> reader(layout);
    uint8_t grey[kMaxSide * kMaxSide];
    uint8_t previousColumn[kMaxSide];
    int64_t levels[256] = {};
    const int64_t bits = 8 * length;
    int64_t inner = 0, innerPairs = 0, seam = 0, seamPairs = 0, read = 0;
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, bits)) break;
        reader.read(bytes, base, grey, int(side));
        for (int64_t y = 0; y < side; ++y) {
            const uint8_t* row = grey + y * side;
            for (int64_t x = 0; x + 1 < side; ++x) inner += row[x] == row[x + 1];
            for (int64_t x = 0; x < side; ++x) ++levels[row[x]];
            if (t > 0) seam += previousColumn[y] == row[0];
            previousColumn[y] = row[side - 1];
        }
        innerPairs += side * (side - 1);
        seamPairs += t > 0 ? side : 0;
        read += side * side;
    }
    if (inside) *inside = 0;
    if (seamPairs == 0) return 0;
    double chance = 0;  // that two pixels of the run are equal
    for (int64_t n : levels) chance += double(n) * double(n) / (double(read) * double(read));
    const double insideTiles = double(inner) / double(innerPairs) - chance;
    const double acrossSeams = double(seam) / double(seamPairs) - chance;
    if (inside) *inside = insideTiles;
    if (insideTiles <= 0) return 0;
    return std::clamp(acrossSeams / insideTiles, 0.0, 1.0);
}

// innerAgreement at `count` starts a row apart, where a layout's tiles are its rows one after
// the other (each row `rowBits` on from the one before, a tile `side` rows on from the one
// before): the tiles at every start hold the same rows, cut in other places. The rows are read
// once and their pairs of neighbours counted once; as innerAgreement does, each start counts
// only its tiles that lie within the bytes. Returns nothing where the first tile does not.
template <int kPlanes>
std::vector<double> stackedAgreements(const uint8_t* bytes, int64_t length,
                                      const TileLayout& layout, int64_t tiles, int64_t count) {
    const int64_t side = layout.tileSize;
    GreyTiles<kPlanes> reader(layout);
    const int64_t bits = 8 * length;
    if (!reader.fits(layout.offset, bits)) return {};
    // The tiles each start reads, and the rows that takes.
    std::vector<int64_t> within(static_cast<size_t>(count));
    int64_t rows = 0;
    for (int64_t k = 0; k < count; ++k) {
        int64_t n = 0;
        const int64_t first = layout.offset + k * int64_t(layout.yDelta);
        while (n < tiles && reader.fits(first + n * int64_t(layout.tileDelta), bits)) ++n;
        within[size_t(k)] = n;
        rows = std::max(rows, k + n * side);
    }
    // The rows are read a tile of the layout at a time: the last may reach past the bytes,
    // where it is read from zeros (its rows past the bytes are never counted).
    const int64_t readTiles = (rows + side - 1) / side;
    const uint8_t* from = bytes;
    std::vector<uint8_t> padded;
    const int64_t lastBase = layout.offset + (readTiles - 1) * int64_t(layout.tileDelta);
    if (readTiles > 0 && !reader.fits(lastBase, bits)) {
        int64_t size = length;
        while (!reader.fits(lastBase, 8 * size)) size += 64;
        padded.assign(size_t(size), 0);
        std::memcpy(padded.data(), bytes, size_t(length));
        from = padded.data();
    }
    std::vector<uint8_t> grey(size_t(readTiles * side * side));
    for (int64_t t = 0; t < readTiles; ++t) {
        reader.read(from, layout.offset + t * int64_t(layout.tileDelta),
                    &grey[size_t(t * side * side)], int(side));
    }
    // Equal neighbours along each row, and between each row and the next.
    std::vector<int64_t> along(size_t(rows) + 1, 0), down(size_t(rows), 0);
    for (int64_t j = 0; j < rows; ++j) {
        const uint8_t* row = &grey[size_t(j * side)];
        int64_t equal = 0;
        for (int64_t x = 0; x + 1 < side; ++x) equal += row[x] == row[x + 1];
        along[size_t(j) + 1] = along[size_t(j)] + equal;
        if (j + 1 == rows) break;
        equal = 0;
        for (int64_t x = 0; x < side; ++x) equal += row[x] == row[x + side];
        down[size_t(j)] = equal;
    }
    std::vector<int64_t> downSum(size_t(rows) + 1, 0);
    for (int64_t j = 0; j < rows; ++j)
        downSum[size_t(j) + 1] = downSum[size_t(j)] + down[size_t(j)];
    std::vector<double> agreements;
    for (int64_t k = 0; k < count; ++k) {
        const int64_t n = within[size_t(k)];
        if (n == 0) {
            agreements.push_back(0);
            continue;
        }
        const int64_t last = k + n * side;  // the rows k .. last - 1
        int64_t equal =
            along[size_t(last)] - along[size_t(k)] + downSum[size_t(last - 1)] - downSum[size_t(k)];
        for (int64_t t = 1; t < n; ++t) equal -= down[size_t(k + t * side - 1)];  // seams
        agreements.push_back(double(equal) / double(n * 2 * side * (side - 1)));
    }
    return agreements;
}

// A measure over tiles, one instance for each number of planes.
using Measure = double (*)(const uint8_t*, int64_t, const TileLayout&, int64_t);
using SeamMeasure = double (*)(const uint8_t*, int64_t, const TileLayout&, int64_t, double*);
constexpr SeamMeasure kSeams[] = {seams<1>, seams<2>, seams<3>, seams<4>,
                                  seams<5>, seams<6>, seams<7>, seams<8>};
constexpr Measure kAgreements[] = {agreement<1>, agreement<2>, agreement<3>, agreement<4>,
                                   agreement<5>, agreement<6>, agreement<7>, agreement<8>};

// The measure for the layout's planes, or 0 where its tiles hold no pair of neighbours or
// cannot be read.
template <typename M, typename... Out>
double measured(const M (&measures)[8], const uint8_t* bytes, int64_t length,
                const TileLayout& layout, int64_t tiles, Out... out) {
    const int planes = layout.greyPlanes();
    if (layout.tileSize < 2 || layout.tileSize > GreyTiles<1>::kMaxSide || planes <= 0 ||
        planes > 8 || length <= 0) {
        return 0;
    }
    return measures[planes - 1](bytes, length, layout, tiles, out...);
}

}  // namespace

double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles) {
    return measured(kAgreements, bytes, length, layout, tiles);
}

std::vector<double> innerAgreements(const uint8_t* bytes, int64_t length, const TileLayout& read,
                                    int64_t tiles, int64_t rowBytes, int64_t count) {
    const int planes = read.greyPlanes();
    const int64_t rowBits = 8 * rowBytes;
    // Where a byte (or rowBytes) is a column, tiles hold the pairs of neighbours of the same
    // tiles read turned, a column a row (and upside down or mirrored alike): those are counted.
    TileLayout layout = read;
    if (std::abs(layout.yDelta) == 1 && std::abs(layout.xDelta) == rowBits &&
        !layout.hasColumnGroups()) {
        std::swap(layout.xDelta, layout.yDelta);
        if (layout.yDelta < 0) {
            layout.offset += (layout.tileSize - 1) * layout.yDelta;
            layout.yDelta = -layout.yDelta;
        }
    }
    const bool stacked = layout.yDelta == rowBits &&
                         int64_t(layout.tileDelta) == layout.tileSize * rowBits &&
                         layout.tileSize >= 2 && layout.tileSize <= GreyTiles<1>::kMaxSide &&
                         planes > 0 && planes <= 8 && tiles > 0 && count > 0 && length > 0;
    if (!stacked) return {};
    using Stacked =
        std::vector<double> (*)(const uint8_t*, int64_t, const TileLayout&, int64_t, int64_t);
    constexpr Stacked kStacked[] = {
        stackedAgreements<1>, stackedAgreements<2>, stackedAgreements<3>, stackedAgreements<4>,
        stackedAgreements<5>, stackedAgreements<6>, stackedAgreements<7>, stackedAgreements<8>};
    return kStacked[planes - 1](bytes, length, layout, tiles, count);
}

double seamCoherence(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                     double* inside) {
    if (inside) *inside = 0;
    return measured(kSeams, bytes, length, layout, tiles, inside);
}

namespace {

// The correlation of the rows `above` of each tile with the rows `below` of the tile `width`
// on, `side` pixels a row: its greatest over the widths of 2 tiles up to half of them. The
// pixels set in each are counted once, for all widths.
[[gnu::target_clones("popcnt", "default")]] double mostCorrelated(
    const std::vector<uint32_t>& above, const std::vector<uint32_t>& below, int side) {
    const size_t tiles = above.size();
    std::vector<int64_t> aboveSet(tiles + 1, 0), belowSet(tiles + 1, 0);  // of the first n
    for (size_t t = 0; t < tiles; ++t) {
        aboveSet[t + 1] = aboveSet[t] + std::popcount(above[t]);
        belowSet[t + 1] = belowSet[t] + std::popcount(below[t]);
    }
    double best = 0;
    for (size_t width = 2; 2 * width <= tiles; ++width) {
        int64_t both = 0;
        for (size_t t = 0; t + width < tiles; ++t)
            both += std::popcount(above[t] & below[t + width]);
        const int64_t inAbove = aboveSet[tiles - width];
        const int64_t inBelow = belowSet[tiles] - belowSet[width];
        const double n = double(tiles - width) * side;
        const double spread =
            double(inAbove) * (n - double(inAbove)) * double(inBelow) * (n - double(inBelow));
        if (spread > 0) {
            best = std::max(
                best, (n * double(both) - double(inAbove) * double(inBelow)) / std::sqrt(spread));
        }
    }
    return best;
}

}  // namespace

DownSeams downSeams(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles) {
    constexpr int kMaxSide = GreyTiles<1>::kMaxSide;
    const int side = layout.tileSize;
    GreyTiles<1> reader(layout);
    uint8_t grey[kMaxSide][kMaxSide];
    std::vector<uint32_t> tops, bottoms;  // a bit for each pixel of the row
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, 8 * length)) break;
        reader.read(bytes, base, &grey[0][0], kMaxSide);
        uint32_t top = 0, bottom = 0;
        for (int x = 0; x < side; ++x) {
            top |= uint32_t(grey[0][x] != 0) << x;
            bottom |= uint32_t(grey[side - 1][x] != 0) << x;
        }
        tops.push_back(top);
        bottoms.push_back(bottom);
    }
    return {mostCorrelated(bottoms, tops, side), mostCorrelated(tops, bottoms, side)};
}
