#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cli/picture.h"
#include "decode/tile_layout.h"

// The tiles of a sample alone, in order, a fixed number to a row: each decoded pixel a
// block of scale x scale pixels of its grey level, optionally framed by one-pixel bars.
struct TileSheet {
    static constexpr int64_t kMaxDefaultTiles = 65536;
    // Pictures beyond this many pixels are refused rather than allocated.
    static constexpr int64_t kMaxPixels = int64_t(1) << 28;

    int64_t columns = 16;
    std::optional<int64_t> tiles;  // by default defaultTiles()
    bool grid = false;

    // Every tile whose first bit lies between where tile 0 starts (wrapped into the sample)
    // and the end of the sample in the direction tiles advance, at most kMaxDefaultTiles;
    // one tile when tile_delta is 0.
    static int64_t defaultTiles(int64_t length, const TileLayout& layout);

    // An empty sample, no tiles or tiles without pixels give a 1 x 1 black picture.
    bool render(const uint8_t* bytes, int64_t length, const TileLayout& layout, int32_t scale,
                Picture& picture, std::string& reason) const;
};
