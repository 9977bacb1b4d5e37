#include "cli/find/tile_seams.h"

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

using Agreement = double (*)(const uint8_t*, int64_t, const TileLayout&, int64_t);
constexpr Agreement kAgreements[] = {agreement<1>, agreement<2>, agreement<3>, agreement<4>,
                                     agreement<5>, agreement<6>, agreement<7>, agreement<8>};

}  // namespace

double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles) {
    const int planes = layout.greyPlanes();
    if (layout.tileSize < 2 || layout.tileSize > GreyTiles<1>::kMaxSide || planes <= 0 ||
        planes > 8 || length <= 0) {
        return 0;
    }
    return kAgreements[planes - 1](bytes, length, layout, tiles);
}
