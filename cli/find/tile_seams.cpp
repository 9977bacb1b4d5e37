#include "cli/find/tile_seams.h"

#include <algorithm>
#include <vector>

double innerAgreement(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                      int64_t tiles) {
    const int64_t side = layout.tileSize;
    const int planes = layout.greyPlanes();
    if (side < 2 || planes <= 0 || length <= 0) return 0;
    // Where each plane bit of tile 0 lies, pixel by pixel, and the reach of them all.
    std::vector<int64_t> at(size_t(side * side * planes));
    int64_t lowest = INT64_MAX, highest = INT64_MIN;
    for (int64_t i = 0; i < side * side; ++i) {
        for (int p = 0; p < planes; ++p) {
            const int64_t a = layout.bitAddress(0, i % side, i / side, p);
            at[size_t(i * planes + p)] = a;
            lowest = std::min(lowest, a);
            highest = std::max(highest, a);
        }
    }
    const int64_t bits = 8 * length;
    std::vector<uint8_t> grey(size_t(side * side));
    int64_t equal = 0, pairs = 0;
    for (int64_t t = 0; t < tiles; ++t) {
        const int64_t base = t * int64_t(layout.tileDelta);
        if (base + lowest < 0 || base + highest >= bits) continue;
        for (int64_t i = 0; i < side * side; ++i) {
            unsigned g = 0;
            for (int p = 0; p < planes; ++p) {
                const int64_t a = base + at[size_t(i * planes + p)];
                g |= unsigned((bytes[a >> 3] >> (a & 7)) & 1) << (7 - p);
            }
            grey[size_t(i)] = uint8_t(g);
        }
        for (int64_t y = 0; y < side; ++y) {
            for (int64_t x = 0; x < side; ++x) {
                const uint8_t g = grey[size_t(y * side + x)];
                if (x + 1 < side) equal += g == grey[size_t(y * side + x + 1)];
                if (y + 1 < side) equal += g == grey[size_t((y + 1) * side + x)];
            }
        }
        pairs += 2 * side * (side - 1);
    }
    return pairs ? double(equal) / double(pairs) : 0;
}
