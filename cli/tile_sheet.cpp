#include "cli/tile_sheet.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "decode/tile_reader.h"

namespace {

constexpr uint8_t kBarRgb[3] = {0, 0, 255};  // the viewer's bar colour

}  // namespace

int64_t TileSheet::defaultTiles(int64_t length, const TileLayout& layout) {
    if (length <= 0) return 0;
    const int64_t bits = 8 * length;
    const int64_t first = int64_t(wrapBitAddress(layout.offset, bits));
    const int64_t step = layout.tileDelta;
    int64_t count = 1;
    if (step > 0) count = (bits - first + step - 1) / step;
    if (step < 0) count = first / -step + 1;
    return std::min(count, kMaxDefaultTiles);
}

bool TileSheet::render(const uint8_t* bytes, int64_t length, const TileLayout& layout,
                       int32_t scale, Picture& picture, std::string& reason) const {
    const int channels = grid ? 3 : 1;
    auto tooLarge = [&](int64_t width, int64_t height) {
        reason = "the sheet would be " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than " + std::to_string(kMaxPixels) +
                 "; choose fewer --tiles or a smaller --scale";
        return false;
    };
    const int64_t count = tiles ? *tiles : defaultTiles(length, layout);
    if (length <= 0 || count <= 0 || layout.tileSize <= 0) {
        picture = Picture(1, 1, channels);
        return true;
    }
    if (layout.tileSize > TileReader::kMaxTileSize) {
        reason = "tile_size " + std::to_string(layout.tileSize) + " is larger than " +
                 std::to_string(TileReader::kMaxTileSize) + ", the largest tile decoded";
        return false;
    }
    const int64_t s = std::max<int32_t>(scale, 1);
    if (layout.tileSize * s > kMaxPixels) return tooLarge(layout.tileSize * s, layout.tileSize * s);
    const int64_t across = std::min(columns, count);
    const int64_t down = (count + across - 1) / across;
    const int64_t edge = layout.tileSize * s;     // a tile's side in pixels
    const int64_t pitch = edge + (grid ? 1 : 0);  // from one tile to the next
    const int64_t border = grid ? 1 : 0;
    // Each factor is at most 2^31, so the products below stay far from overflowing.
    const int64_t width = across * pitch + border;
    const int64_t height = down * pitch + border;
    if (width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels) {
        return tooLarge(width, height);
    }
    picture = Picture(width, height, channels);
    if (grid) {
        for (size_t i = 0; i < picture.pixels.size(); i += 3) {
            std::memcpy(&picture.pixels[i], kBarRgb, 3);
        }
    }

    auto reader = std::make_unique<TileReader>();  // its tables are too large for a stack
    reader->prepare(bytes, length, layout);
    uint64_t base = reader->firstTile();
    for (int64_t n = 0; n < count; ++n, base = reader->nextTile(base)) {
        const int64_t x0 = border + (n % across) * pitch;
        const int64_t y0 = border + (n / across) * pitch;
        for (int64_t py = 0; py < layout.tileSize; ++py) {
            const uint8_t* grey = reader->row(base, py);
            uint8_t* line = picture.row(y0 + py * s) + size_t(x0 * channels);
            for (int64_t px = 0; px < layout.tileSize; ++px) {
                uint8_t* block = line + size_t(px * s * channels);
                std::memset(block, grey[px], size_t(s * channels));
            }
            for (int64_t k = 1; k < s; ++k) {
                std::memcpy(picture.row(y0 + py * s + k) + size_t(x0 * channels), line,
                            size_t(edge * channels));
            }
        }
    }
    // Cells after the last tile stay black, as the viewer's cells are black before tiles.
    if (grid) {
        for (int64_t n = count; n < across * down; ++n) {
            const int64_t x0 = border + (n % across) * pitch;
            const int64_t y0 = border + (n / across) * pitch;
            for (int64_t y = 0; y < edge; ++y) {
                std::memset(picture.row(y0 + y) + size_t(x0 * 3), 0, size_t(edge * 3));
            }
        }
    }
    return true;
}
