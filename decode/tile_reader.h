#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "decode/grid_geometry.h"
#include "decode/tile_layout.h"

namespace tile_reader_detail {

// Eight bits spread over eight bytes, each 0x80 or 0: bit i goes to byte i (lowest bit
// leftmost) or to byte 7 - i (highest bit leftmost). Shifting the word right by p then
// gives every byte plane p's weight without spilling into its neighbour.
struct BitSpread {
    uint64_t lowFirst[256];
    uint64_t highFirst[256];
    BitSpread();
};
extern const BitSpread kBitSpread;

// The word reads below take byte k of a load as the k-th byte of the sample and of the
// grey row, which holds on little-endian machines only.
static_assert(std::endian::native == std::endian::little,
              "the word-wide row reads assume a little-endian machine");

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace tile_reader_detail

// Reads the grey levels of tile rows for one layout over one sample: the decoding rule
// itself, with every address wrapped into the sample and the planes weighted 128, 64, ...
//
// The plain rule reads one bit per plane and pixel, each address taken modulo the sample's
// bits (tests/support/reference_decoder.cpp spells it out, and the tests hold this reader
// to it). Here the addresses are wrapped once per row and stepped with a compare, and these
// properties of the layout, fixed when it is prepared, allow faster reads:
// - rows are runs of consecutive bits (x_delta 1 or -1: the whole row, or each group of
//   columns that has its own offset): a plane's run is read eight pixels per unaligned
//   64-bit load and spread to grey levels through a table, except where it wraps around
//   the end of the sample;
// - rows of at most eight consecutive bits, in one run: every plane's word lands in one
//   register and the row is stored once;
// - rows of at most four pixels, read for a whole line of tiles: a bit at a time, the
//   loops fixed by the tile size, so that nothing is paid per tile but the reads.
class TileReader {
public:
    static constexpr int64_t kMaxTileSize = GridGeometry::kMaxTileSize;

    // Fixes the layout and the sample for the rows read after it. The tile size must lie in
    // 1 .. kMaxTileSize and the sample must hold at least one byte.
    void prepare(const uint8_t* bytes, int64_t length, const TileLayout& layout);

    // The wrapped bit address of tile 0, and of the tile after the one at base.
    uint64_t firstTile() const { return firstTile_; }
    uint64_t nextTile(uint64_t base) const { return addWrapped(base, tileStep_); }
    // The bit addresses of count tiles from the one at base on; returns the next one's.
    uint64_t tileBases(uint64_t base, int64_t count, uint64_t* out) const;

    // Grey levels (0..255) of pixel row py of the tile whose first bit is at base, one byte
    // per pixel; valid until the next call.
    const uint8_t* row(uint64_t base, int64_t py) {
        readRow(base, py, grey_);
        return grey_;
    }
    // The same levels written to out, which may receive up to kRowSlack bytes of scratch
    // past them: rows read left to right into one line overwrite each other's scratch.
    static constexpr int64_t kRowSlack = 8;
    void readRow(uint64_t base, int64_t py, uint8_t* out);
    // Row py of count tiles, the tile at bases[i] written to out + i * stride as readRow
    // writes it; stride must be more than the tile size.
    void readRows(const uint64_t* bases, int64_t count, int64_t py, uint8_t* out, int64_t stride);

    int64_t tileSize() const { return tileSize_; }

private:
    enum class RowPath { Bits, Words, NarrowWords };

    uint64_t addWrapped(uint64_t a, uint64_t b) const {
        const uint64_t sum = a + b;  // both below bits_, so one subtraction restores the range
        return sum >= bits_ ? sum - bits_ : sum;
    }
    template <int TileSize>
    void readSmallRows(const uint64_t* bases, int64_t count, int64_t py, uint8_t* out,
                       int64_t stride) const;
    void readPlaneBits(uint64_t rowBase, int p, uint8_t* out) const;
    bool wordRun(uint64_t first, int64_t count, uint64_t& low) const;
    uint64_t spreadGroup(uint64_t first, unsigned count) const;
    bool readNarrowRow(uint64_t base, int64_t py, uint8_t* out) const;
    bool readPlaneWords(uint64_t rowBase, int p, uint8_t* out) const;
    bool readRunWords(uint64_t first, int64_t count, int p, uint8_t* out) const;

    const uint8_t* bytes_ = nullptr;
    int64_t length_ = 0;
    uint64_t bits_ = 0;
    int64_t tileSize_ = 0;
    int planes_ = 0;
    RowPath path_ = RowPath::Bits;
    int direction_ = 0;  // of consecutive runs: +1 lowest bit first, -1 highest bit first
    // The runs of consecutive columns a row falls into: one, or one per column group.
    struct Run {
        int64_t start;
        int64_t count;
    };
    Run runs_[5] = {};
    int runCount_ = 0;
    uint64_t firstTile_ = 0;
    uint64_t tileStep_ = 0;
    uint64_t doubleTileStep_ = 0;
    uint64_t columnStep_[kMaxTileSize];  // px * x_delta + column group, wrapped
    uint64_t rowStep_[8][kMaxTileSize];  // py * y_delta + p * bitplane_delta, wrapped
    alignas(8) uint8_t grey_[kMaxTileSize + kRowSlack];
};

// Called once per tile row, so kept where the decoding loops can inline them.

inline void TileReader::readRow(uint64_t base, int64_t py, uint8_t* out) {
    if (path_ == RowPath::NarrowWords && readNarrowRow(base, py, out)) return;
    for (int64_t i = 0; i < tileSize_; i += 8) std::memset(out + i, 0, 8);
    for (int p = 0; p < planes_; ++p) {
        const uint64_t rowBase = addWrapped(base, rowStep_[p][py]);
        if (path_ == RowPath::Bits || !readPlaneWords(rowBase, p, out)) {
            readPlaneBits(rowBase, p, out);
        }
    }
}

inline void TileReader::readRows(const uint64_t* bases, int64_t count, int64_t py, uint8_t* out,
                                 int64_t stride) {
    switch (tileSize_) {
        case 1:
            return readSmallRows<1>(bases, count, py, out, stride);
        case 2:
            return readSmallRows<2>(bases, count, py, out, stride);
        case 3:
            return readSmallRows<3>(bases, count, py, out, stride);
        case 4:
            return readSmallRows<4>(bases, count, py, out, stride);
        default:
            for (int64_t i = 0; i < count; ++i) readRow(bases[i], py, out + i * stride);
    }
}

// Two chains of every other tile, so that one wrap need not wait for the one before.
inline uint64_t TileReader::tileBases(uint64_t base, int64_t count, uint64_t* out) const {
    // Locals, since the stores below could otherwise alias the members.
    const uint64_t step = doubleTileStep_, bits = bits_;
    uint64_t even = base, odd = nextTile(base);
    int64_t i = 0;
    for (; i + 1 < count; i += 2) {
        out[i] = even;
        out[i + 1] = odd;
        even += step;
        even = even >= bits ? even - bits : even;
        odd += step;
        odd = odd >= bits ? odd - bits : odd;
    }
    if (i == count) return even;
    out[i] = even;
    return odd;
}

template <int TileSize>
inline void TileReader::readSmallRows(const uint64_t* bases, int64_t count, int64_t py,
                                      uint8_t* out, int64_t stride) const {
    const uint8_t* bytes = bytes_;
    const uint64_t bits = bits_;
    const int planes = planes_;
    uint64_t rowSteps[8];
    for (int p = 0; p < planes; ++p) rowSteps[p] = rowStep_[p][py];
    uint64_t columnSteps[TileSize];
    for (int px = 0; px < TileSize; ++px) columnSteps[px] = columnStep_[px];
    // Plane p's pixels of the row whose first bit is at rowBase, in byte px of the result.
    auto planeRow = [&](uint64_t rowBase, int p) {
        uint32_t levels = 0;
        for (int px = 0; px < TileSize; ++px) {
            // Column 0 is at the row's own address.
            const uint64_t at = px == 0 ? rowBase : rowBase + columnSteps[px];
            const uint64_t w = px == 0 || at < bits ? at : at - bits;
            const uint32_t bit = (bytes[w >> 3] >> (w & 7)) & 1u;
            levels |= bit << (8 * px + 7 - p);
        }
        return levels;
    };
    // One plane in a tile's first row, the default's case, is read at the tile's address.
    if (planes == 1 && rowSteps[0] == 0) {
        for (int64_t i = 0; i < count; ++i, out += stride) {
            const uint32_t levels = planeRow(bases[i], 0);
            std::memcpy(out, &levels, 4);  // bytes past the row are scratch
        }
        return;
    }
    for (int64_t i = 0; i < count; ++i, out += stride) {
        uint32_t levels = 0;
        for (int p = 0; p < planes; ++p) {
            const uint64_t sum = bases[i] + rowSteps[p];
            levels |= planeRow(sum >= bits ? sum - bits : sum, p);
        }
        std::memcpy(out, &levels, 4);  // bytes past the row are scratch
    }
}

inline void TileReader::readPlaneBits(uint64_t rowBase, int p, uint8_t* out) const {
    // Locals, since the byte stores below could otherwise alias the members.
    const int shift = 7 - p;
    const uint8_t* bytes = bytes_;
    const uint64_t bits = bits_;
    const int64_t tileSize = tileSize_;
    const uint64_t* columnStep = columnStep_;
    for (int64_t px = 0; px < tileSize; ++px) {
        const uint64_t sum = rowBase + columnStep[px];
        const uint64_t w = sum >= bits ? sum - bits : sum;
        const unsigned bit = (bytes[w >> 3] >> (w & 7)) & 1u;
        out[px] = uint8_t(out[px] | (bit << shift));
    }
}

// The lowest address of a run of count consecutive pixels whose first pixel is at first,
// where the whole run can be read a word at a time: false where it wraps or runs too close
// to the end of the sample.
inline bool TileReader::wordRun(uint64_t first, int64_t count, uint64_t& low) const {
    const uint64_t span = uint64_t(count) - 1;
    if (direction_ < 0 && first < span) return false;
    low = direction_ > 0 ? first : first - span;
    return low + span < bits_ && ((low + span) >> 3) + 8 <= uint64_t(length_);
}

// Up to eight pixels whose lowest address is first, spread to their bytes as 0x80 or 0.
inline uint64_t TileReader::spreadGroup(uint64_t first, unsigned count) const {
    const unsigned v =
        unsigned(tile_reader_detail::load64(bytes_ + (first >> 3)) >> (first & 7)) & 0xFFu;
    if (direction_ > 0) return tile_reader_detail::kBitSpread.lowFirst[v & ((1u << count) - 1)];
    // Pixel k of the group is bit count - 1 - k of v.
    return tile_reader_detail::kBitSpread.highFirst[(v << (8 - count)) & 0xFFu];
}

// Rows of up to eight pixels: every plane's word goes into one register, and the row is
// stored once. False (nothing written) where a plane's row cannot be read as a word.
inline bool TileReader::readNarrowRow(uint64_t base, int64_t py, uint8_t* out) const {
    uint64_t levels = 0;
    for (int p = 0; p < planes_; ++p) {
        uint64_t low;
        if (!wordRun(addWrapped(base, rowStep_[p][py]), tileSize_, low)) return false;
        levels |= spreadGroup(low, unsigned(tileSize_)) >> p;
    }
    std::memcpy(out, &levels, 8);  // bytes past the row are scratch
    return true;
}

// A plane's row run by run, eight pixels at a time from one unaligned word; false where a
// run cannot be read so (runs read before then are read again bit by bit, to the same
// result, since levels are ORed in).
inline bool TileReader::readPlaneWords(uint64_t rowBase, int p, uint8_t* out) const {
    for (int r = 0; r < runCount_; ++r) {
        const Run run = runs_[r];
        const uint64_t first =
            run.start == 0 ? rowBase : addWrapped(rowBase, columnStep_[run.start]);
        if (!readRunWords(first, run.count, p, out + run.start)) return false;
    }
    return true;
}

inline bool TileReader::readRunWords(uint64_t first, int64_t count, int p, uint8_t* out) const {
    uint64_t low;
    if (!wordRun(first, count, low)) return false;
    const uint64_t span = uint64_t(count) - 1;
    for (int64_t group = 0; group < count; group += 8) {
        const int64_t n = std::min<int64_t>(8, count - group);
        // The lowest address of this group of pixels.
        const uint64_t at =
            direction_ > 0 ? low + uint64_t(group) : low + span - uint64_t(group + n - 1);
        uint64_t current;
        std::memcpy(&current, out + group, 8);
        current |= spreadGroup(at, unsigned(n)) >> p;
        std::memcpy(out + group, &current, 8);  // the bytes past the run gain nothing
    }
    return true;
}
