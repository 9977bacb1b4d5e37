#pragma once
#include <cstdint>

#include "decode/grid_geometry.h"
#include "decode/tile_layout.h"
#include "decode/tile_reader.h"
#include "display/pixel_buffer.h"

// Draws a sample into the viewer's picture: blue bars framing a grid of cells, each cell
// one tile of the sample, every decoded pixel a block of scale x scale grey pixels. Tiles
// are taken from the data in the order in which they fill the grid, row by row.
//
// The decoder object holds its scratch (the layout's tables, one row of grey levels, a
// bar and a row of tile addresses), sized for the largest grid; it allocates nothing.
class GridDecoder {
public:
    // Draws nothing for an empty sample. Returns whether anything was drawn.
    bool draw(PixelBuffer& picture, const uint8_t* bytes, int64_t length, const TileLayout& layout,
              int32_t scale);

private:
    void drawBars(PixelBuffer& picture, const GridGeometry& grid, bool withTiles) const;
    void drawTileRows(PixelBuffer& picture, const GridGeometry& grid);

    TileReader reader_;
    uint8_t bar_[3 * GridGeometry::kMaxBlockSize];
    uint64_t tileBases_[GridGeometry::kMaxColumns];
};
