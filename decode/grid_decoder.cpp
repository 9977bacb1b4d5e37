#include "decode/grid_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "display/small_copy.h"

namespace {

constexpr FillColor kBarColor{0, 0, 255};
constexpr uint64_t kEveryByte = 0x0101010101010101ull;

// The grid is laid out in 64-bit arithmetic; the fill takes 32-bit coordinates, and
// clamping far-off ones keeps their intersection with the picture the same.
int32_t clampCoordinate(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

void fill(PixelBuffer& picture, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    kBarColor.fillRect(picture, clampCoordinate(x1), clampCoordinate(y1), clampCoordinate(x2),
                       clampCoordinate(y2));
}

// Writes a row of grey levels as one screen line of s x s blocks: each level becomes 3 x s
// equal bytes. A block's 8-byte moves may run into the next block, which overwrites them;
// the blocks at the end of the row, where they would run past it, are written exactly.
inline void expandRow(const uint8_t* grey, int64_t count, int64_t s, uint8_t* out) {
    const size_t span = size_t(3 * s);
    const size_t reach = (span + 7) & ~size_t(7);
    const size_t total = size_t(count) * span;
    int64_t px = 0;
    size_t pos = 0;
    for (; px < count && pos + reach <= total; ++px, pos += span) {
        const uint64_t v = grey[px] * kEveryByte;
        for (size_t k = 0; k < span; k += 8) std::memcpy(out + pos + k, &v, 8);
    }
    for (; px < count; ++px, pos += span) {
        uint8_t pattern[16];
        const uint64_t v = grey[px] * kEveryByte;
        std::memcpy(pattern, &v, 8);
        std::memcpy(pattern + 8, &v, 8);
        for (size_t k = 0; k < span; k += 16) {
            copyShort(out + pos + k, pattern, std::min<size_t>(16, span - k));
        }
    }
}

}  // namespace

bool GridDecoder::draw(PixelBuffer& picture, const uint8_t* bytes, int64_t length,
                       const TileLayout& layout, int32_t scale) {
    if (length <= 0 || !bytes) return false;
    const GridGeometry grid = GridGeometry::of(scale, layout.tileSize);
    if (!grid.hasBars()) return false;
    const bool withTiles = grid.hasCells() && layout.tileSize > 0;
    drawBars(picture, grid, withTiles);
    if (!withTiles) return true;
    reader_.prepare(bytes, length, layout);
    drawTileRows(picture, grid);
    return true;
}

// Where tiles are drawn, the vertical bars beside them are written with the tiles' lines;
// the horizontal bars cover the rest of them.
void GridDecoder::drawBars(PixelBuffer& picture, const GridGeometry& grid, bool withTiles) const {
    const int64_t s = grid.blockSize;
    for (int64_t i = 0; i <= grid.columns && !withTiles; ++i) {
        fill(picture, grid.barX(i), grid.barsTop(), grid.barX(i) + s - 1, grid.barsBottom());
    }
    for (int64_t j = 0; j <= grid.rows; ++j) {
        fill(picture, GridGeometry::kLeft, grid.barY(j), grid.barsRight(), grid.barY(j) + s - 1);
    }
}

// Tile rows are written a screen line at a time across all their tiles, so memory is
// written in order; the first line of each row of blocks is then copied down whole.
// Every block lies inside the picture: the last tile of a row ends at columns * pitch
// <= kAreaWidth, the last row of tiles above kTop + kAreaHeight.
void GridDecoder::drawTileRows(PixelBuffer& picture, const GridGeometry& grid) {
    const int64_t s = grid.blockSize;
    const int64_t tileSize = reader_.tileSize();
    const size_t stride = size_t(picture.width) * 3;
    // From the first bar to the last, which can reach past the right edge for large block
    // sizes: the part of it outside the picture is dropped, as the fill would drop it.
    const int64_t lineEnd = std::min<int64_t>(grid.barsRight(), picture.width - 1);
    const size_t lineBytes = size_t(lineEnd) * 3;
    const size_t barBytes = size_t(3 * s);
    const size_t lastBarBytes = lineBytes - size_t(grid.columns * grid.pitch) * 3;
    for (size_t i = 0; i < barBytes; i += 3) {
        bar_[i] = uint8_t(kBarColor.r);
        bar_[i + 1] = uint8_t(kBarColor.g);
        bar_[i + 2] = uint8_t(kBarColor.b);
    }
    uint64_t tileBase = reader_.firstTile();
    for (int64_t ty = 0; ty < grid.rows; ++ty) {
        for (int64_t tx = 0; tx < grid.columns; ++tx) {
            tileBases_[tx] = tileBase;
            tileBase = reader_.nextTile(tileBase);
        }
        for (int64_t py = 0; py < tileSize; ++py) {
            uint8_t* line =
                picture.pixelAt(int32_t(GridGeometry::kLeft), int32_t(grid.cellY(ty) + py * s));
            copyRun(line, bar_, barBytes);
            for (int64_t tx = 0; tx < grid.columns; ++tx) {
                uint8_t* cell = line + size_t(tx * grid.pitch) * 3 + barBytes;
                expandRow(reader_.row(tileBases_[tx], py), tileSize, s, cell);
                copyRun(cell + size_t(tileSize * s) * 3, bar_,
                        tx + 1 < grid.columns ? barBytes : lastBarBytes);
            }
            uint8_t* target = line;
            for (int64_t k = 1; k < s; ++k) {
                target -= stride;
                copyRun(target, line, lineBytes);
            }
        }
    }
}
