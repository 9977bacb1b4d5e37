#include "cli/find/tile_model.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#include "cli/find/adaptive_bits.h"
#include "cli/find/grey_tiles.h"

namespace {

// The counts of zeros and ones of each context, one after the other.
double totalBits(const uint32_t* counts, size_t contexts) {
    double bits = 0;
    for (size_t i = 0; i < 2 * contexts; i += 2) {
        const uint32_t zeros = counts[i], ones = counts[i + 1];
        if ((zeros | ones) != 0) bits += adaptiveBits(zeros, ones);  // most contexts stay unused
    }
    return bits;
}
template <size_t N>
double totalBits(const uint32_t (&counts)[N][2]) {
    return totalBits(&counts[0][0], N);
}

constexpr int kMaxSide = GreyTiles<1>::kMaxSide;
constexpr double kPlaneMargin = 0.06;  // bits per bit the plane above must add, for each plane
constexpr int kGreyPlanes = 2;         // the fewest planes whose grey levels are modelled too
// And the most: the residues of more levels than 16 are too many kinds to learn from a sample.
constexpr int kGreyMostPlanes = 4;
constexpr double kGreyPlaneMargin = 0.02;

// What the models count over a run of tiles: each bit by its place in its byte and its
// neighbours, with the plane above (and whether there is one), and whether the pixel is in a
// tile's top row, which has no neighbour above: coding it as if the pixel above were 0 would
// cost readings whose top rows share counts with other rows against readings whose places in
// a byte keep them apart. Shared by all planes: separate counts per plane would let any reading
// that sorts unlike bits into different planes look coherent. The coarser models' counts are
// sums of these.
struct ModelCounts {
    static constexpr unsigned kContexts = 8 * 64;
    uint32_t byNeighbours[kContexts * 2] = {};  // zeros, then ones, of each context
    int64_t tiles = 0;

    // The counts by the place in the byte alone, and without the plane above (by place, top row
    // and neighbours).
    // A context is the place, the top row, the first plane and the plane above, then the
    // neighbours, highest bits first: each sum is kept apart until it is whole, not added to
    // where it is kept a count at a time.
    void coarser(uint32_t (&byByte)[8][2], uint32_t (&bySpatial)[8 * 16][2]) const {
        for (unsigned place = 0; place < 8; ++place) {
            uint32_t byteZeros = 0, byteOnes = 0;
            for (unsigned top = 0; top < 2; ++top) {
                for (unsigned near = 0; near < 8; ++near) {
                    uint32_t zeros = 0, ones = 0;
                    for (unsigned planes = 0; planes < 4; ++planes) {
                        const unsigned i = place << 6 | top << 5 | planes << 3 | near;
                        zeros += byNeighbours[2 * i];
                        ones += byNeighbours[2 * i + 1];
                    }
                    bySpatial[place << 4 | top << 3 | near][0] += zeros;
                    bySpatial[place << 4 | top << 3 | near][1] += ones;
                    byteZeros += zeros;
                    byteOnes += ones;
                }
            }
            byByte[place][0] += byteZeros;
            byByte[place][1] += byteOnes;
        }
    }
};

// What a model of whole grey levels counts, where planes are many: each pixel's level (the
// first plane its highest bit, as the viewer shows them) less what its neighbours to the left
// and above predict (the median of left, above and their sum less the corner, as lossless image
// coders predict), by how much those neighbours differ. Smooth pictures of many levels, whose
// lower planes look like noise bit by bit, leave small residues.
template <int kPlanes>
struct GreyResidues {
    static constexpr int kLevels = 1 << kPlanes;
    // Flat, gentle and steep neighbours, then the top row: kLevels residues each.
    uint32_t counts[4 * kLevels] = {};
    uint32_t levels[kLevels] = {};

    // Counts a tile's pixels, grey[y + 1][x + 1] for pixel (x, y), its left neighbours in
    // column 0.
    void count(const uint8_t (&grey)[kMaxSide + 1][kMaxSide + 1], int side) {
        constexpr int shift = 8 - kPlanes, mask = kLevels - 1;
        for (int x = 0; x < side; ++x) {  // the top row knows only its left neighbours
            ++counts[3 * kLevels + (((grey[1][x + 1] >> shift) - (grey[1][x] >> shift)) & mask)];
        }
        for (int y = 1; y < side; ++y) {
            const uint8_t* row = grey[y + 1];
            const uint8_t* above = grey[y];
            // A whole row at once, however wide the tile, so that the loop has a fixed length
            // and runs on vectors: each pixel's count, as context * kLevels + residue.
            uint8_t counted[kMaxSide];
            for (int x = 0; x < kMaxSide; ++x) {
                // In 16 bits, which plain SSE2 takes the minimum and maximum of.
                const int16_t a = int16_t(row[x] >> shift), b = int16_t(above[x + 1] >> shift),
                              c = int16_t(above[x] >> shift);
                // The median of a, b and a + b - c, without branches: random data would
                // mispredict them at every pixel.
                const int16_t low = std::min(a, b), high = std::max(a, b);
                const int16_t predicted = std::max(low, std::min(high, int16_t(a + b - c)));
                const int16_t activity =
                    int16_t(std::max(a, c) - std::min(a, c) + std::max(b, c) - std::min(b, c));
                const int16_t context = int16_t((activity > 0) + (activity > kLevels / 8));
                counted[x] = uint8_t(context * kLevels +
                                     ((int16_t(row[x + 1] >> shift) - predicted) & mask));
            }
            for (int x = 0; x < side; ++x) ++counts[counted[x]];
        }
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) ++levels[grey[y + 1][x + 1] >> shift];
        }
    }
    // What the levels cost knowing only how often each comes, whatever the neighbours.
    double levelBits() const { return adaptiveSymbols(levels, kLevels); }
    double bits() const {
        double total = 0;
        for (int c = 0; c < 4; ++c) total += adaptiveSymbols(counts + c * kLevels, kLevels);
        return total;
    }
};

// Calls f.template operator()<i>() for each i from 0 to n - 1, so that each call knows its i
// when compiled.
template <int n, typename F>
void forEachIndex(F&& f) {
    [&]<int... i>(std::integer_sequence<int, i...>) {
        (f.template operator()<i>(), ...);
    }
    (std::make_integer_sequence<int, n>{});
}

constexpr auto kNoTile = [](const auto&, int) {};

// Each bit b of a byte at bit 4b of the result: a byte's eight pixels, a nibble apart.
constexpr std::array<uint32_t, 256> kNibbles = [] {
    std::array<uint32_t, 256> spread{};
    for (unsigned v = 0; v < 256; ++v) {
        for (unsigned b = 0; b < 8; ++b) spread[v] |= ((v >> b) & 1u) << (4 * b);
    }
    return spread;
}();

// Calls f(t, the byte tile t starts in) for up to `tiles` tiles a whole number of bytes apart,
// stopping at the first that would reach outside; returns the tiles read.
template <typename F>
int64_t forEachTileByte(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                        int64_t tiles, const GreyTiles<1>& reader, F&& f) {
    const int64_t bits = 8 * length;
    int64_t t = 0;
    for (; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, bits)) break;
        f(t, bytes + (base >> 3));
    }
    return t;
}

// visitBits for tiles of one plane 8 pixels wide whose rows are bytes (rowByte from a tile's
// first byte, their pixels from the lowest bit or the highest), the tiles a whole number of
// bytes apart: the same contexts in the same order, each row's from its bytes at once. A
// pixel's place in its byte is its bit; its left neighbour is the next bit toward the row's
// start, or the last pixel of the tile before; above a tile's top row, and above its left
// neighbour there, are blanks.
template <bool kLowestFirst, typename Visit>
int64_t visitByteRows(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                      GreyTiles<1>& reader, const int32_t (&rowByte)[8], Visit&& visit) {
    uint32_t lastOfTileBefore[8] = {};  // each row's last pixel, where it lies left of a first
    return forEachTileByte(
        bytes, length, layout, tiles, reader, [&](int64_t t, const uint8_t* first) {
            uint32_t above = 0, aboveLeft = 0;
            for (int y = 0; y < 8; ++y) {
                const uint32_t row = first[rowByte[y]];
                const uint32_t left =
                    ((kLowestFirst ? row << 1 : row >> 1) | lastOfTileBefore[y]) & 0xFFu;
                lastOfTileBefore[y] = kLowestFirst ? row >> 7 : (row & 1u) << 7;
                uint32_t nibbles = kNibbles[row] | kNibbles[left] << 1 | kNibbles[above] << 2 |
                                   kNibbles[aboveLeft] << 3;
                const unsigned flags = (y == 0 ? 64u : 0u) | 32u;  // the top row; the first plane
                // Pixel by pixel from the row's start: from the lowest nibble, or the highest.
                for (unsigned x = 0; x < 8; ++x) {
                    if constexpr (kLowestFirst) {
                        visit(t, x << 7 | flags | (nibbles & 15u));
                        nibbles >>= 4;
                    } else {
                        visit(t, (7u - x) << 7 | flags | nibbles >> 28);
                        nibbles <<= 4;
                    }
                }
                above = row;
                aboveLeft = left;
            }
        });
}

// The same for tiles whose columns are bytes (columnByte from a tile's first byte): a pixel's
// place in its byte is its bit again, the pixel above it the next bit toward the column's top,
// its left neighbour the same bit of the column before (the tile before's last column for a
// first). Rows are visited one after the other, as pixel by pixel.
template <bool kLowestFirst, typename Visit>
int64_t visitByteColumns(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                         int64_t tiles, GreyTiles<1>& reader, const int32_t (&columnByte)[8],
                         Visit&& visit) {
    uint32_t lastColumn = 0;  // of the tile before
    return forEachTileByte(
        bytes, length, layout, tiles, reader, [&](int64_t t, const uint8_t* first) {
            uint32_t nibbles[8];
            uint32_t left = lastColumn;
            for (int x = 0; x < 8; ++x) {
                const uint32_t column = first[columnByte[x]];
                const uint32_t above = kLowestFirst ? (column << 1) & 0xFFu : column >> 1;
                const uint32_t aboveLeft = kLowestFirst ? (left << 1) & 0xFFu : left >> 1;
                nibbles[x] = kNibbles[column] | kNibbles[left] << 1 | kNibbles[above] << 2 |
                             kNibbles[aboveLeft] << 3;
                left = column;
            }
            lastColumn = left;
            for (unsigned y = 0; y < 8; ++y) {
                const unsigned place = kLowestFirst ? y : 7u - y;
                const unsigned flags = place << 7 | (y == 0 ? 64u : 0u) | 32u;
                for (int x = 0; x < 8; ++x) visit(t, flags | ((nibbles[x] >> (4 * place)) & 15u));
            }
        });
}

// Reads up to `tiles` tiles, stopping at the first that would reach outside, and calls
// onTile(grey, side) with each tile read (see GreyResidues::count), then visit(tile, coded)
// for each bit read but those set in `blank` (kBlanks; as long as the bytes): its context, that
// of ModelCounts::byNeighbours, times two, plus the bit. The number of planes is fixed for each
// instance, so that the loops over planes unroll, and so is whether bits are left out, which costs
// the loop over pixels even where none are. Returns the tiles read.
template <int kPlanes, bool kBlanks, typename Visit, typename OnTile>
int64_t visitBits(const uint8_t* bytes, int64_t length, const uint8_t* blank,
                  const TileLayout& layout, int64_t tiles, Visit&& visit, OnTile&& onTile) {
    const int side = layout.tileSize;
    GreyTiles<kPlanes> reader(layout);
    if constexpr (kPlanes == 1 && !kBlanks &&
                  std::is_same_v<std::decay_t<OnTile>, std::decay_t<decltype(kNoTile)>>) {
        int32_t lineByte[8];
        bool lowestFirst = false;
        if (layout.tileDelta % 8 == 0 &&
            reader.linesAreBytes(layout.offset, false, lineByte, lowestFirst)) {
            return lowestFirst
                       ? visitByteRows<true>(bytes, length, layout, tiles, reader, lineByte, visit)
                       : visitByteRows<false>(bytes, length, layout, tiles, reader, lineByte,
                                              visit);
        }
        if (layout.tileDelta % 8 == 0 &&
            reader.linesAreBytes(layout.offset, true, lineByte, lowestFirst)) {
            return lowestFirst ? visitByteColumns<true>(bytes, length, layout, tiles, reader,
                                                        lineByte, visit)
                               : visitByteColumns<false>(bytes, length, layout, tiles, reader,
                                                         lineByte, visit);
        }
    }
    // A tile, row 0 and column 0 its neighbours: row 0 stays blank, as a top row has no
    // neighbour above.
    uint8_t grey[kMaxSide + 1][kMaxSide + 1] = {};
    uint8_t previousTileColumn[kMaxSide] = {};  // right column of the tile before
    uint8_t blanks[kMaxSide][kMaxSide + 1];     // the tile's bits set in `blank`, by pixel
    const int64_t bits = 8 * length;
    int64_t t = 0;
    for (; t < tiles; ++t) {
        const int64_t base = layout.offset + t * int64_t(layout.tileDelta);
        if (!reader.fits(base, bits)) break;
        reader.read(bytes, base, &grey[1][1], kMaxSide + 1);
        if constexpr (kBlanks) reader.read(blank, base, &blanks[0][0], kMaxSide + 1);
        for (int y = 0; y < side; ++y) {
            grey[y + 1][0] = previousTileColumn[y];  // the left neighbour of column 0
            previousTileColumn[y] = grey[y + 1][side];
        }
        onTile(grey, side);
        for (int y = 0; y < side; ++y) {
            const unsigned top = y == 0 ? 1u : 0u;
            const uint8_t* row = grey[y + 1];
            const uint8_t* above = grey[y];
            // Each plane with its shifts known when compiled, so that the row's contexts are
            // computed on vectors.
            auto plane = [&]<int p>() {
                constexpr int shift = 7 - p;
                const uint8_t* places = reader.planePlaces(p) + y * kMaxSide;
                const unsigned flags = top << 5 | (p == 0 ? 16u : 0u);
                // A whole row at once, however wide the tile, so that the loop has a fixed
                // length: each pixel's context, times two, plus its bit.
                uint16_t coded[kMaxSide];
                for (int x = 0; x < kMaxSide; ++x) {
                    const unsigned g = row[x + 1];
                    const unsigned context = unsigned(places[x]) << 6 | flags |
                                             (p > 0 ? ((g >> (shift + 1)) & 1u) << 3 : 0u) |
                                             ((above[x] >> shift) & 1u) << 2 |
                                             ((above[x + 1] >> shift) & 1u) << 1 |
                                             ((row[x] >> shift) & 1u);
                    coded[x] = uint16_t(context << 1 | ((g >> shift) & 1u));
                }
                for (int x = 0; x < side; ++x) {
                    if (!kBlanks || ((blanks[y][x] >> shift) & 1u) == 0) {
                        visit(t, coded[x]);
                    }
                }
            };
            forEachIndex<kPlanes>(plane);
        }
    }
    return t;
}

// Counts the bits, and where `greyBits` is given the grey levels, whose cost it sets.
template <int kPlanes>
void countTiles(const uint8_t* bytes, int64_t length, const uint8_t* blank,
                const TileLayout& layout, int64_t tiles, ModelCounts& counts, double* greyBits) {
    auto visit = [&](int64_t, unsigned coded) { ++counts.byNeighbours[coded]; };
    if (!greyBits) {
        counts.tiles =
            blank
                ? visitBits<kPlanes, true>(bytes, length, blank, layout, tiles, visit, kNoTile)
                : visitBits<kPlanes, false>(bytes, length, nullptr, layout, tiles, visit, kNoTile);
        return;
    }
    // Whole grey levels are counted only where no bits are left out.
    GreyResidues<kPlanes> residues;
    counts.tiles = visitBits<kPlanes, false>(bytes, length, nullptr, layout, tiles, visit,
                                             [&](const uint8_t(&grey)[kMaxSide + 1][kMaxSide + 1],
                                                 int side) { residues.count(grey, side); });
    greyBits[0] = residues.levelBits();
    greyBits[1] = residues.bits();
}

// Bits each bit costs in each context, coded with the counts the context has seen in all the
// tiles, without learning from it.
// Counts and costs as ModelCounts::byNeighbours holds them.
template <size_t N>
void costsOf(const uint32_t (&counts)[N], float (&costs)[N]) {
    for (size_t i = 0; i < N; i += 2) {
        const double n = counts[i] + counts[i + 1] + 1.0;
        for (size_t bit = 0; bit < 2; ++bit)
            costs[i + bit] = float(-std::log2((counts[i + bit] + 0.5) / n));
    }
}

template <int kPlanes>
void saveTiles(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
               std::vector<float>& saved) {
    ModelCounts counts;
    countTiles<kPlanes>(bytes, length, nullptr, layout, tiles, counts, nullptr);
    float byNeighbours[ModelCounts::kContexts * 2];
    costsOf(counts.byNeighbours, byNeighbours);
    std::vector<float> cost(size_t(counts.tiles), 0.0f);
    std::vector<uint32_t> ones(size_t(counts.tiles), 0), read(size_t(counts.tiles), 0);
    visitBits<kPlanes, false>(
        bytes, length, nullptr, layout, counts.tiles,
        [&](int64_t t, unsigned coded) {
            cost[size_t(t)] += byNeighbours[coded];
            ones[size_t(t)] += coded & 1u;
            ++read[size_t(t)];
        },
        kNoTile);
    // Against what the tile's own share of ones would cost: noise costs a bit a bit either
    // way, where the counts of the whole run would favour it wherever its contexts set it
    // apart from the graphics.
    saved.assign(size_t(counts.tiles), 0.0f);
    for (size_t t = 0; t < saved.size(); ++t) {
        const double p = double(ones[t]) / double(std::max<uint32_t>(read[t], 1));
        const double entropy =
            p <= 0 || p >= 1 ? 0.0 : -(p * std::log2(p) + (1 - p) * std::log2(1 - p));
        saved[t] = float(entropy * read[t] - cost[t]);
    }
}

using TileCounter = void (*)(const uint8_t*, int64_t, const uint8_t*, const TileLayout&, int64_t,
                             ModelCounts&, double*);
constexpr TileCounter kCounters[] = {countTiles<1>, countTiles<2>, countTiles<3>, countTiles<4>,
                                     countTiles<5>, countTiles<6>, countTiles<7>, countTiles<8>};
using TileSaver = void (*)(const uint8_t*, int64_t, const TileLayout&, int64_t,
                           std::vector<float>&);
constexpr TileSaver kSavers[] = {saveTiles<1>, saveTiles<2>, saveTiles<3>, saveTiles<4>,
                                 saveTiles<5>, saveTiles<6>, saveTiles<7>, saveTiles<8>};

}  // namespace

int64_t blankUnreadBits(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                        int64_t tiles, int64_t coveredBytes) {
    const int side = layout.tileSize;
    const int64_t span = 8 * coveredBytes;
    if (int64_t(side) * side * layout.greyPlanes() >= span) return 0;
    std::vector<int64_t> relative;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            for (int p = 0; p < layout.greyPlanes(); ++p) {
                relative.push_back(layout.bitAddress(0, x, y, p) - layout.offset);
            }
        }
    }
    const int64_t lowest = *std::min_element(relative.begin(), relative.end());
    // The span's bits a byte at a time: bit i of it at place i % 8 of byte i / 8.
    const int64_t spanBytes = coveredBytes;
    std::vector<uint8_t> unread(static_cast<size_t>(spanBytes), 0xFF);
    std::vector<uint8_t> first = unread, same = unread, tile = unread;
    for (const int64_t a : relative) {
        if (a - lowest < span)
            unread[size_t((a - lowest) >> 3)] &= uint8_t(~(1u << ((a - lowest) & 7)));
    }
    auto load = [&](int64_t at, std::vector<uint8_t>& out) {
        const uint8_t* from = bytes + (at >> 3);
        const unsigned shift = unsigned(at & 7);
        for (int64_t k = 0; k < spanBytes; ++k) {
            // A span that starts within a byte ends within the byte after its last whole one.
            out[size_t(k)] =
                uint8_t(shift ? (from[k] >> shift | from[k + 1] << (8 - shift)) : from[k]);
        }
    };
    // The unread bits that have been the same so far: most bits of data that is not blank
    // drop out within a few tiles.
    int64_t counted = 0;
    for (int64_t t = tiles / 4; t < tiles - tiles / 4; ++t) {
        const int64_t at = layout.offset + t * int64_t(layout.tileDelta) + lowest;
        if (at < 0 || at + span > 8 * length) break;
        if (counted++ == 0) {
            load(at, first);
            same = unread;
            continue;
        }
        load(at, tile);
        bool any = false;
        for (int64_t k = 0; k < spanBytes; ++k) {
            same[size_t(k)] &= uint8_t(~(tile[size_t(k)] ^ first[size_t(k)]));
            any |= same[size_t(k)] != 0;
        }
        if (!any) break;
    }
    if (counted <= 1) return 0;
    int64_t blank = 0;
    for (const uint8_t b : same) blank += std::popcount(unsigned(b));
    return blank;
}

double scoreLayout(const uint8_t* bytes, int64_t length, const TileLayout& layout, int64_t tiles,
                   int64_t coveredBytes, bool greyLevels, const uint8_t* blank) {
    const int side = layout.tileSize;
    const int planes = layout.greyPlanes();
    if (tiles <= 0 || side <= 0 || side > kMaxSide || planes <= 0 || planes > 8 || length <= 0) {
        return 0;
    }
    ModelCounts counts;
    double greyBits[2] = {};  // the levels by how often each comes, and by their neighbours
    // Whole grey levels would count a format's blank bits as part of them.
    const bool grey = greyLevels && !blank && planes >= kGreyPlanes && planes <= kGreyMostPlanes;
    kCounters[planes - 1](bytes, length, blank, layout, tiles, counts, grey ? greyBits : nullptr);
    if (counts.tiles == 0) return 0;
    // Per bit of the bytes covered (but for those it leaves unread that are blank in every
    // tile), or per bit read where a layout reads bits more than once. A format's blank bits
    // that it reads are covered too, but save nothing: a layout that leaves them unread
    // explains the same bits in fewer.
    const double read = double(counts.tiles) * side * side * planes;
    const double covered =
        std::max(read, double(counts.tiles) *
                           double(8 * coveredBytes - blankUnreadBits(bytes, length, layout,
                                                                     counts.tiles, coveredBytes)));
    uint32_t byByte[8][2] = {}, bySpatial[8 * 16][2] = {};
    counts.coarser(byByte, bySpatial);
    const double byteBits = totalBits(byByte);
    const double neighbourBits = totalBits(counts.byNeighbours, ModelCounts::kContexts);
    // With one plane there is no plane above: both models are the same.
    const double spatialBits = planes > 1 ? totalBits(bySpatial) : neighbourBits;
    // The plane above tells planes that belong together from unrelated bits read as planes,
    // but must not stand in for the picture's own coherence: it counts only for what it adds
    // beyond a margin for each plane past the first, and then by half.
    const double spatial = (byteBits - spatialBits) / covered;
    const double fromAbove = (spatialBits - neighbourBits) / covered;
    const double bitwise = spatial + 0.5 * std::max(0.0, fromAbove - kPlaneMargin * (planes - 1));
    if (!grey) return bitwise;
    // The same split for whole grey levels: what the neighbours tell, and what the planes of a
    // pixel tell of each other, which counts here in full beyond a smaller margin. Planes that
    // make levels together are what this model is for; bit by bit, a picture's lower planes
    // look like noise and hide it.
    const double greySpatial = (greyBits[0] - greyBits[1]) / covered;
    const double greyPlanes = (byteBits - greyBits[0]) / covered;
    return std::max(bitwise,
                    greySpatial + std::max(0.0, greyPlanes - kGreyPlaneMargin * (planes - 1)));
}

std::vector<float> savedByTile(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                               int64_t tiles) {
    std::vector<float> saved;
    const int planes = layout.greyPlanes();
    if (tiles > 0 && layout.tileSize > 0 && layout.tileSize <= kMaxSide && planes > 0 &&
        planes <= 8 && length > 0) {
        kSavers[planes - 1](bytes, length, layout, tiles, saved);
    }
    return saved;
}
