#include "cli/find/tile_seams.h"

#include <algorithm>
#include <vector>

double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles) {
    const int64_t side = layout.tileSize;
    const int planes = layout.greyPlanes();
    if (side < 2 || planes <= 0 || length <= 0) return 0;
    // Where each plane bit of tile 0 lies, pixel by pixel, and the reach of them all.
    const size_t bitsPerTile = size_t(side * side * planes);
    std::vector<int64_t> at(bitsPerTile);
    int64_t lowest = INT64_MAX, highest = INT64_MIN;
    for (int64_t i = 0; i < side * side; ++i) {
        for (int p = 0; p < planes; ++p) {
            const int64_t a = layout.bitAddress(0, i % side, i / side, p);
            at[size_t(i * planes + p)] = a;
            lowest = std::min(lowest, a);
            highest = std::max(highest, a);
        }
    }
    // The same as a byte and a place in it, for tiles that start at one bit of a byte.
    std::vector<int64_t> byteOf(bitsPerTile);
    std::vector<uint8_t> placeOf(bitsPerTile);
    int64_t splitFor = -1;
    const int64_t bits = 8 * length;
    std::vector<uint8_t> grey(size_t(side * side));
    int64_t equal = 0, pairs = 0;
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = t * int64_t(layout.tileDelta);
        if (base + lowest < 0 || base + highest >= bits) continue;
        if ((base & 7) != splitFor) {
            splitFor = base & 7;
            for (size_t k = 0; k < bitsPerTile; ++k) {
                byteOf[k] = (splitFor + at[k]) >> 3;
                placeOf[k] = uint8_t((splitFor + at[k]) & 7);
            }
        }
        const int64_t first = base >> 3;
        for (size_t i = 0, k = 0; i < grey.size(); ++i) {
            unsigned g = 0;
            for (int p = 0; p < planes; ++p, ++k) {
                g |= unsigned((bytes[first + byteOf[k]] >> placeOf[k]) & 1) << (7 - p);
            }
            grey[i] = uint8_t(g);
        }
        for (int64_t y = 0; y < side; ++y) {
            const uint8_t* row = &grey[size_t(y * side)];
            for (int64_t x = 0; x + 1 < side; ++x) equal += row[x] == row[x + 1];
            if (y + 1 < side) {
                for (int64_t x = 0; x < side; ++x) equal += row[x] == row[x + side];
            }
        }
        pairs += 2 * side * (side - 1);
    }
    return pairs ? double(equal) / double(pairs) : 0;
}
