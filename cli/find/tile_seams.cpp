#include "cli/find/tile_seams.h"

#include <algorithm>

#include "cli/find/grey_tiles.h"

namespace {

template <int kPlanes>
double agreement(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles) {
    constexpr int kMaxSide = GreyTiles<kPlanes>::kMaxSide;
    const int64_t side = layout.tileSize;
    GreyTiles<kPlanes> reader(layout);
    uint8_t grey[kMaxSide * kMaxSide];
    const int64_t bits = 8 * length;
    int64_t equal = 0, pairs = 0;
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, bits)) continue;
        reader.read(bytes, base, grey, int(side));
        for (int64_t y = 0; y < side; ++y) {
            const uint8_t* row = grey + y * side;
            for (int64_t x = 0; x + 1 < side; ++x) equal += row[x] == row[x + 1];
            if (y + 1 < side) {
                for (int64_t x = 0; x < side; ++x) equal += row[x] == row[x + side];
            }
        }
        pairs += 2 * side * (side - 1);
    }
    return pairs ? double(equal) / double(pairs) : 0;
}

template <int kPlanes>
double seams(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles) {
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
    if (seamPairs == 0) return 0;
    double chance = 0;  // that two pixels of the run are equal
    for (int64_t n : levels) chance += double(n) * double(n) / (double(read) * double(read));
    const double insideTiles = double(inner) / double(innerPairs) - chance;
    const double acrossSeams = double(seam) / double(seamPairs) - chance;
    if (insideTiles <= 0) return 0;
    return std::clamp(acrossSeams / insideTiles, 0.0, 1.0);
}

// A measure over tiles, one instance for each number of planes.
using Measure = double (*)(const uint8_t*, int64_t, const TileLayout&, int64_t);
constexpr Measure kSeams[] = {seams<1>, seams<2>, seams<3>, seams<4>,
                              seams<5>, seams<6>, seams<7>, seams<8>};
constexpr Measure kAgreements[] = {agreement<1>, agreement<2>, agreement<3>, agreement<4>,
                                   agreement<5>, agreement<6>, agreement<7>, agreement<8>};

// The measure for the layout's planes, or 0 where its tiles hold no pair of neighbours or
// cannot be read.
double measured(const Measure (&measures)[8], const uint8_t* bytes, int64_t length,
                const TileLayout& layout, int64_t tiles) {
    const int planes = layout.greyPlanes();
    if (layout.tileSize < 2 || layout.tileSize > GreyTiles<1>::kMaxSide || planes <= 0 ||
        planes > 8 || length <= 0) {
        return 0;
    }
    return measures[planes - 1](bytes, length, layout, tiles);
}

}  // namespace

double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles) {
    return measured(kAgreements, bytes, length, layout, tiles);
}

double seamCoherence(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                     int64_t tiles) {
    return measured(kSeams, bytes, length, layout, tiles);
}
