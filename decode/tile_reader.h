#pragma once
#include <cstdint>

#include "decode/grid_geometry.h"
#include "decode/tile_layout.h"

// Reads the grey levels of tile rows for one layout over one sample: the decoding rule
// itself, with every address wrapped into the sample and the planes weighted 128, 64, ...
//
// The plain rule reads one bit per plane and pixel, each address taken modulo the sample's
// bits (tests/support/reference_decoder.cpp spells it out, and the tests hold this reader
// to it). Here the addresses are wrapped once per row and stepped with a compare, and two
// properties of the layout, fixed when it is prepared, allow faster reads:
// - rows are consecutive bits (x_delta 1 or -1, no column-group offsets): a plane's row is
//   read eight pixels per unaligned 64-bit load and spread to grey levels through a table,
//   except where it wraps around the end of the sample;
// - rows of at most eight pixels: with consecutive bits, every plane's word lands in one
//   register and the row is stored once.
class TileReader {
public:
    static constexpr int64_t kMaxTileSize = GridGeometry::kMaxTileSize;

    // Fixes the layout and the sample for the rows read after it. The tile size must lie in
    // 1 .. kMaxTileSize and the sample must hold at least one byte.
    void prepare(const uint8_t* bytes, int64_t length, const TileLayout& layout);

    // The wrapped bit address of tile 0, and of the tile after the one at base.
    uint64_t firstTile() const { return firstTile_; }
    uint64_t nextTile(uint64_t base) const { return addWrapped(base, tileStep_); }

    // Grey levels (0..255) of pixel row py of the tile whose first bit is at base, one byte
    // per pixel; valid until the next call.
    const uint8_t* row(uint64_t base, int64_t py);

    int64_t tileSize() const { return tileSize_; }

private:
    enum class RowPath { Bits, Words, NarrowWords };

    uint64_t addWrapped(uint64_t a, uint64_t b) const {
        const uint64_t sum = a + b;  // both below bits_, so one subtraction restores the range
        return sum >= bits_ ? sum - bits_ : sum;
    }
    void readPlaneBits(uint64_t rowBase, int p);
    bool wordRow(uint64_t rowBase, uint64_t& low) const;
    uint64_t spreadGroup(uint64_t first, unsigned count) const;
    bool readNarrowRow(uint64_t base, int64_t py);
    bool readPlaneWords(uint64_t rowBase, int p);

    const uint8_t* bytes_ = nullptr;
    int64_t length_ = 0;
    uint64_t bits_ = 0;
    int64_t tileSize_ = 0;
    int planes_ = 0;
    RowPath path_ = RowPath::Bits;
    int direction_ = 0;  // of consecutive rows: +1 lowest bit first, -1 highest bit first
    uint64_t firstTile_ = 0;
    uint64_t tileStep_ = 0;
    uint64_t columnStep_[kMaxTileSize];  // px * x_delta + column group, wrapped
    uint64_t rowStep_[8][kMaxTileSize];  // py * y_delta + p * bitplane_delta, wrapped
    alignas(8) uint8_t grey_[kMaxTileSize + 8];
};
