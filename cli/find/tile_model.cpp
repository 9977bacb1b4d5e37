#include "cli/find/tile_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// -log2 of k / 2, for the adaptive (Krichevsky-Trofimov) estimate (count + 1/2) / (n + 1).
struct HalfLog {
    static constexpr int kSize = 1 << 13;
    float value[kSize];
    HalfLog() {
        value[0] = 0;
        for (int k = 1; k < kSize; ++k) value[k] = float(-std::log2(double(k) / 2.0));
    }
};
const HalfLog kHalfLog;

struct Counts {
    uint16_t n[2] = {0, 0};
    // Bits to code b, then learn it; counts halve before they outgrow the table.
    float code(unsigned b) {
        const float bits = kHalfLog.value[2 * n[b] + 1] - kHalfLog.value[2 * (n[0] + n[1]) + 2];
        if (++n[b] + n[1 - b] >= HalfLog::kSize / 2 - 2) {
            n[0] = uint16_t((n[0] + 1) / 2);
            n[1] = uint16_t((n[1] + 1) / 2);
        }
        return bits;
    }
};

constexpr int kMaxSide = 16;
constexpr double kPlaneMargin = 0.06;  // bits per bit the plane above must add, for each plane

}  // namespace

double scoreLayout(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                   int64_t coveredBytes) {
    const int side = layout.tileSize;
    const int planes = layout.greyPlanes();
    if (tiles <= 0 || side <= 0 || side > kMaxSide || planes <= 0 || length <= 0) return 0;
    // Where each plane bit of a tile lies relative to the tile's first bit.
    int64_t relative[8][kMaxSide * kMaxSide];
    int64_t lowest = 0, highest = 0;
    for (int p = 0; p < planes; ++p) {
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const int64_t a = layout.bitAddress(0, x, y, p) - layout.offset;
                relative[p][y * side + x] = a;
                lowest = std::min(lowest, a);
                highest = std::max(highest, a);
            }
        }
    }

    Counts byByte[8];  // the bit's place in its byte
    // By the bit's place in its byte and its neighbours, with and without the plane above (and
    // whether there is one). Shared by all planes: separate counts per plane would let any
    // reading that sorts unlike bits into different planes look coherent.
    Counts byNeighbours[8][32];
    Counts bySpatial[8][8];
    uint8_t previousRow[kMaxSide + 1] = {};
    uint8_t previousTileColumn[kMaxSide] = {};  // right column of the tile before
    double byteBits = 0, neighbourBits = 0, spatialBits = 0;
    const int64_t bits = 8 * length;
    int64_t scored = 0;
    for (int64_t t = 0; t < tiles; ++t, ++scored) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (base + lowest < 0 || base + highest >= bits) break;
        uint8_t rightColumn[kMaxSide];
        for (int y = 0; y < side; ++y) {
            uint8_t current[kMaxSide + 1];
            uint8_t places[8][kMaxSide];
            current[0] = previousTileColumn[y];  // the left neighbour of column 0
            for (int x = 0; x < side; ++x) {
                unsigned g = 0;
                for (int p = 0; p < planes; ++p) {
                    const int64_t a = base + relative[p][y * side + x];
                    const unsigned byte = bytes[a >> 3];
                    const unsigned place = unsigned(a & 7);
                    const unsigned bit = (byte >> place) & 1u;
                    byteBits += byByte[place].code(bit);
                    places[p][x] = uint8_t(place);
                    g |= bit << (7 - p);
                }
                current[x + 1] = uint8_t(g);
            }
            for (int x = 0; x < side; ++x) {
                const unsigned g = current[x + 1];
                const unsigned left = current[x];
                const unsigned up = y > 0 ? previousRow[x + 1] : 0;
                const unsigned upLeft = y > 0 ? previousRow[x] : 0;
                for (int p = 0; p < planes; ++p) {
                    const int shift = 7 - p;
                    const unsigned bit = (g >> shift) & 1u;
                    const unsigned above = p > 0 ? (g >> (shift + 1)) & 1u : 0u;
                    const unsigned context = ((left >> shift) & 1u) | ((up >> shift) & 1u) << 1 |
                                             ((upLeft >> shift) & 1u) << 2 | above << 3;
                    const unsigned first = p == 0 ? 16u : 0u;
                    neighbourBits += byNeighbours[places[p][x]][context | first].code(bit);
                    // With one plane there is no plane above: both models are the same.
                    if (planes > 1) spatialBits += bySpatial[places[p][x]][context & 7u].code(bit);
                }
            }
            rightColumn[y] = current[side];
            std::memcpy(previousRow, current, size_t(side) + 1);
        }
        std::memcpy(previousTileColumn, rightColumn, size_t(side));
    }
    // Per bit of the bytes covered, or per bit read where a layout reads bits more than once.
    const double read = double(scored) * side * side * planes;
    // The plane above tells planes that belong together from unrelated bits read as planes,
    // but must not stand in for the picture's own coherence: it counts only for what it adds
    // beyond a margin for each plane past the first, and then by half.
    if (scored == 0) return 0;
    const double covered = std::max(read, 8.0 * double(coveredBytes * scored));
    if (planes == 1) spatialBits = neighbourBits;
    const double spatial = (byteBits - spatialBits) / covered;
    const double fromAbove = (spatialBits - neighbourBits) / covered;
    return spatial + 0.5 * std::max(0.0, fromAbove - kPlaneMargin * (planes - 1));
}
