#include "decode/grid_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "display/small_copy.h"

namespace {

constexpr FillColor kBarColor{0, 0, 255};

// The grid is laid out in 64-bit arithmetic; the fill takes 32-bit coordinates, and
// clamping far-off ones keeps their intersection with the picture the same.
int32_t clampCoordinate(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The vertical bars of a screen line, the first at line and one every cellBytes after it,
// written over the slots the line's expansion left for them. Narrow bars are stored as
// constants, which is most of the work of lines across many small tiles.
template <size_t Bytes>
void writeBarsOf(uint8_t* line, size_t cellBytes, int64_t count) {
    static constexpr auto kPattern = [] {
        std::array<uint8_t, Bytes> bar{};
        const int32_t channels[3] = {kBarColor.r, kBarColor.g, kBarColor.b};
        for (size_t i = 0; i < Bytes; ++i) bar[i] = uint8_t(channels[i % 3]);
        return bar;
    }();
    for (int64_t i = 0; i < count; ++i, line += cellBytes) {
        std::memcpy(line, kPattern.data(), Bytes);
    }
}

void writeBars(uint8_t* line, size_t cellBytes, int64_t count, const uint8_t* bar,
               size_t barBytes) {
    switch (barBytes) {
        case 3:
            return writeBarsOf<3>(line, cellBytes, count);
        case 6:
            return writeBarsOf<6>(line, cellBytes, count);
        case 9:
            return writeBarsOf<9>(line, cellBytes, count);
        case 12:
            return writeBarsOf<12>(line, cellBytes, count);
        default:
            for (int64_t i = 0; i < count; ++i, line += cellBytes) copyRun(line, bar, barBytes);
    }
}

void fill(PixelBuffer& picture, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    kBarColor.fillRect(picture, clampCoordinate(x1), clampCoordinate(y1), clampCoordinate(x2),
                       clampCoordinate(y2));
}

}  // namespace

bool GridDecoder::draw(PixelBuffer& picture, const uint8_t* bytes, int64_t length,
                       const TileLayout& layout, int32_t scale) {
    const GridGeometry grid = GridGeometry::of(scale, layout.tileSize);
    if (length <= 0 || !bytes || !grid.hasBars()) {
        picture.clear();
        return false;
    }
    const bool withTiles = grid.hasCells() && layout.tileSize > 0;
    picture.clearOutside(withTiles ? paintedWhole(picture, grid) : PixelRect{});
    drawBars(picture, grid, withTiles);
    if (!withTiles) return true;
    reader_.prepare(bytes, length, layout);
    drawTileRows(picture, grid);
    return true;
}

// With tiles, the horizontal bars and the tiles' lines (vertical bars included) follow each
// other without a gap from the first bar to the last and span the same width, so they
// leave nothing of that rectangle as it was.
PixelRect GridDecoder::paintedWhole(const PixelBuffer& picture, const GridGeometry& grid) {
    return {int32_t(GridGeometry::kLeft), int32_t(std::max<int64_t>(grid.barsTop(), 0)),
            int32_t(std::min<int64_t>(grid.barsRight(), picture.width - 1)),
            int32_t(std::min<int64_t>(grid.barsBottom(), picture.height - 1))};
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
// written in order: the line's levels are gathered with a slot for each bar, expanded to
// blocks in one pass, and the bars written over their slots; the first line of each row
// of blocks is then copied down whole. Every block lies inside the picture: the last tile
// of a row ends at columns * pitch <= kAreaWidth, the last row of tiles above
// kTop + kAreaHeight.
void GridDecoder::drawTileRows(PixelBuffer& picture, const GridGeometry& grid) {
    const int64_t s = grid.blockSize;
    const int64_t tileSize = reader_.tileSize();
    const int64_t cellLevels = tileSize + 1;
    const int64_t lineLevels = grid.columns * cellLevels;
    const size_t stride = size_t(picture.width) * 3;
    // From the first bar to the last, which can reach past the right edge for large block
    // sizes: the part of it outside the picture is dropped, as the fill would drop it.
    const int64_t lineEnd = std::min<int64_t>(grid.barsRight(), picture.width - 1);
    const size_t lineBytes = size_t(lineEnd) * 3;
    const size_t barBytes = size_t(3 * s);
    const size_t cellBytes = size_t(grid.pitch) * 3;
    const size_t lastBarBytes = lineBytes - size_t(grid.columns) * cellBytes;
    for (size_t i = 0; i < barBytes; i += 3) {
        bar_[i] = uint8_t(kBarColor.r);
        bar_[i + 1] = uint8_t(kBarColor.g);
        bar_[i + 2] = uint8_t(kBarColor.b);
    }
    expander_.prepare(s);
    uint64_t tileBase = reader_.firstTile();
    for (int64_t ty = 0; ty < grid.rows; ++ty) {
        tileBase = reader_.tileBases(tileBase, grid.columns, tileBases_);
        for (int64_t py = 0; py < tileSize; ++py) {
            reader_.readRows(tileBases_, grid.columns, py, lineGrey_ + 1, cellLevels);
            uint8_t* line =
                picture.pixelAt(int32_t(GridGeometry::kLeft), int32_t(grid.cellY(ty) + py * s));
            expander_.expand(lineGrey_, lineLevels, line);
            writeBars(line, cellBytes, grid.columns, bar_, barBytes);
            copyRun(line + size_t(grid.columns) * cellBytes, bar_, lastBarBytes);
            uint8_t* target = line;
            for (int64_t k = 1; k < s; ++k) {
                target -= stride;
                copyRun(target, line, lineBytes);
            }
        }
    }
}
