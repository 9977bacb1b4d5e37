#pragma once
#include <cstdint>

#include "decode/grid_geometry.h"
#include "decode/line_expander.h"
#include "decode/tile_layout.h"
#include "decode/tile_reader.h"
#include "display/pixel_buffer.h"

// Draws a sample into the viewer's picture: blue bars framing a grid of cells, each cell
// one tile of the sample, every decoded pixel a block of scale x scale grey pixels. Tiles
// are taken from the data in the order in which they fill the grid, row by row.
//
// The decoder object holds its scratch (the layout's tables, a screen line's grey levels, a
// bar and a row of tile addresses), sized for the largest grid; it allocates nothing.
class GridDecoder {
public:
    // Draws over whatever the picture held: every pixel that is neither bar nor tile ends
    // black. Draws nothing but black for an empty sample. Returns whether anything else was
    // drawn.
    bool draw(PixelBuffer& picture, const uint8_t* bytes, int64_t length, const TileLayout& layout,
              int32_t scale);

private:
    static PixelRect paintedWhole(const PixelBuffer& picture, const GridGeometry& grid);
    void drawBars(PixelBuffer& picture, const GridGeometry& grid, bool withTiles) const;
    void drawTileRows(PixelBuffer& picture, const GridGeometry& grid);

    TileReader reader_;
    LineExpander expander_;
    // A screen line's levels: a slot for each bar, then the tile's row, from the first bar
    // on. A row of cells holds at most kAreaWidth decoded pixels and bars.
    uint8_t lineGrey_[GridGeometry::kAreaWidth + TileReader::kRowSlack + LineExpander::kReadSlack] =
        {};
    uint8_t bar_[3 * GridGeometry::kMaxBlockSize];
    uint64_t tileBases_[GridGeometry::kMaxColumns];
};
