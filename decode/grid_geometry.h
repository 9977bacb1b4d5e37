#pragma once
#include <algorithm>
#include <cstdint>

// Where the viewer's grid of tiles lies in its 1800 x 1000 picture: cells of one bar and
// one tile side by side, laid from the left edge and from row 220 into a fixed area.
struct GridGeometry {
    static constexpr int64_t kLeft = 1;          // x of the first bar
    static constexpr int64_t kTop = 220;         // y of the first tile row; bars start above
    static constexpr int64_t kAreaWidth = 1784;  // what the columns of cells must fit into
    static constexpr int64_t kAreaHeight = 772;  // what the rows of cells must fit into
    // Tiles are drawn only while a cell of one bar and one tile fits the area's height, so
    // a tile edge stays below kAreaHeight, a block size at most half of it, and there are
    // at most kAreaWidth columns.
    static constexpr int64_t kMaxTileSize = kAreaHeight;
    static constexpr int64_t kMaxBlockSize = kAreaHeight / 2;
    static constexpr int64_t kMaxColumns = kAreaWidth;

    int64_t blockSize;  // s: screen pixels per decoded pixel, and the bar thickness
    int64_t pitch;      // from one cell to the next: a bar and a tile
    int64_t columns;    // 0 or negative when no cell fits
    int64_t rows;

    static GridGeometry of(int32_t scale, int32_t tileSize) {
        const int64_t s = std::max<int64_t>(scale, 1);
        const int64_t pitch = (int64_t(tileSize) + 1) * s;
        // A pitch of 0 has no cells to count.
        return {s, pitch, pitch == 0 ? 0 : kAreaWidth / pitch,
                pitch == 0 ? 0 : kAreaHeight / pitch};
    }

    bool hasBars() const { return pitch != 0; }
    bool hasCells() const { return columns > 0 && rows > 0; }
    // Top-left screen pixel of the tile in cell (tx, ty).
    int64_t cellX(int64_t tx) const { return kLeft + blockSize + tx * pitch; }
    int64_t cellY(int64_t ty) const { return kTop + ty * pitch; }
    // The bars: vertical bar i covers x from barX(i) over blockSize pixels, between barsTop()
    // and barsBottom(); horizontal bar j covers y from barY(j), between kLeft and barsRight().
    int64_t barX(int64_t i) const { return kLeft + i * pitch; }
    int64_t barY(int64_t j) const { return kTop - blockSize + j * pitch; }
    int64_t barsTop() const { return kTop - blockSize; }
    int64_t barsBottom() const { return kTop - 1 + rows * pitch; }
    int64_t barsRight() const { return columns * pitch + blockSize; }
};
