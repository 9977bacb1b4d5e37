#include "decode/tile_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The grid is laid out in 64-bit arithmetic; the fill takes 32-bit coordinates, and
// clamping far-off ones keeps their intersection with the picture the same.
int32_t clampCoordinate(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

void fill(FillColor& color, Display& display, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    color.fillRect(display, clampCoordinate(x1), clampCoordinate(y1), clampCoordinate(x2),
                   clampCoordinate(y2));
}

// A bit address wrapped into [0, bits): negative addresses count back from the end.
uint64_t wrapAddress(int64_t address, int64_t bits) {
    const int64_t r = address % bits;
    return uint64_t(r < 0 ? r + bits : r);
}

// Adds two wrapped addresses; both lie below bits, so one subtraction restores the range.
inline uint64_t addWrapped(uint64_t a, uint64_t b, uint64_t bits) {
    const uint64_t sum = a + b;
    return sum >= bits ? sum - bits : sum;
}

// Tiles are only drawn while one cell fits into the 772 rows, so a tile edge is below this.
constexpr int kMaxTileSize = 772;
constexpr int kGreyPlanes = 8;

struct TileWalk {
    const uint8_t* bytes;
    uint64_t bits;
    int64_t tileSize;
    int planes;
    uint64_t columnStep[kMaxTileSize];                // px * x_delta + column group, wrapped
    uint64_t rowStep[kGreyPlanes][kMaxTileSize];      // py * y_delta + p * bitplane_delta
    uint8_t grey[kMaxTileSize];

    // Grey levels of one pixel row of a tile whose first bit is at tileBase.
    void readRow(uint64_t tileBase, int64_t py) {
        std::memset(grey, 0, size_t(tileSize));
        for (int p = 0; p < planes; ++p) {
            const uint64_t rowBase = addWrapped(tileBase, rowStep[p][py], bits);
            const int shift = 7 - p;
            for (int64_t px = 0; px < tileSize; ++px) {
                const uint64_t w = addWrapped(rowBase, columnStep[px], bits);
                const unsigned bit = (bytes[w >> 3] >> (w & 7)) & 1u;
                grey[px] = uint8_t(grey[px] | (bit << shift));
            }
        }
    }
};

int64_t columnGroupOffset(int64_t px, int32_t g4, int32_t g8, int32_t g12) {
    if (px >= 4 && px <= 7) return g4;
    if (px >= 8 && px <= 11) return g8;
    if (px >= 12 && px <= 15) return g12;
    return 0;
}

}  // namespace

void decodeTiles(FillColor& fillColor, Display& display, const uint8_t* bytes, int32_t length,
                 const ParameterList& parameters) {
    if (length <= 0 || !bytes) return;
    const int64_t offset = parameters.get("offset");
    const int64_t yDelta = parameters.get("y_delta");
    const int64_t xDelta = parameters.get("x_delta");
    const int64_t tileSize = parameters.get("tile_size");
    const int64_t tileDelta = parameters.get("tile_delta");
    const int32_t bitplanes = parameters.get("bitplanes");
    const int64_t bitplaneDelta = parameters.get("bitplane_delta");
    const int32_t g4 = parameters.get("offset_bit4to7");
    const int32_t g8 = parameters.get("offset_bit8to11");
    const int32_t g12 = parameters.get("offset_bit12to15");
    const int64_t s = std::max<int64_t>(parameters.get("scale"), 1);

    // Grid geometry; a pitch of 0 has no cells to count.
    const int64_t pitch = (tileSize + 1) * s;
    if (pitch == 0) return;
    const int64_t cols = 1784 / pitch;
    const int64_t rows = 772 / pitch;

    fillColor.r = 0;
    fillColor.g = 0;
    fillColor.b = 255;
    for (int64_t i = 0; i <= cols; ++i) {
        fill(fillColor, display, 1 + i * pitch, 220 - s, i * pitch + s, 219 + rows * pitch);
    }
    for (int64_t j = 0; j <= rows; ++j) {
        fill(fillColor, display, 1, 220 - s + j * pitch, cols * pitch + s, 219 + j * pitch);
    }
    if (rows <= 0 || cols <= 0 || tileSize <= 0) return;

    // From here on 0 < tileSize < 772 and s <= 386, and every block lies inside the
    // picture: the last tile of a row ends at cols * pitch <= 1784, the last row at 991.
    static thread_local TileWalk walk;
    walk.bytes = bytes;
    walk.bits = 8 * uint64_t(length);
    walk.tileSize = tileSize;
    walk.planes = std::clamp(bitplanes, 0, kGreyPlanes);  // later planes add nothing to grey
    const int64_t bits = int64_t(walk.bits);
    for (int64_t px = 0; px < tileSize; ++px) {
        walk.columnStep[px] = wrapAddress(px * xDelta + columnGroupOffset(px, g4, g8, g12), bits);
    }
    for (int p = 0; p < walk.planes; ++p) {
        for (int64_t py = 0; py < tileSize; ++py) {
            walk.rowStep[p][py] = wrapAddress(py * yDelta + p * bitplaneDelta, bits);
        }
    }

    PixelBuffer& buffer = display.pixelBuffer;
    const size_t stride = size_t(buffer.width) * 3;
    const size_t blockRowBytes = size_t(tileSize * s) * 3;
    const uint64_t tileStep = wrapAddress(tileDelta, bits);
    uint64_t tileBase = wrapAddress(offset, bits);
    for (int64_t ty = 0; ty < rows; ++ty) {
        for (int64_t tx = 0; tx < cols; ++tx) {
            const int32_t ox = int32_t(1 + s + tx * pitch);
            const int32_t oy = int32_t(220 + ty * pitch);
            for (int64_t py = 0; py < tileSize; ++py) {
                walk.readRow(tileBase, py);
                // Build the first screen line of this row of blocks, then copy it down.
                uint8_t* line = buffer.pixelAt(ox, int32_t(oy + py * s));
                uint8_t* out = line;
                for (int64_t px = 0; px < tileSize; ++px) {
                    const uint8_t g = walk.grey[px];
                    for (int64_t k = 0; k < s; ++k, out += 3) out[0] = out[1] = out[2] = g;
                }
                for (int64_t k = 1; k < s; ++k) std::memcpy(line - size_t(k) * stride, line, blockRowBytes);
            }
            tileBase = addWrapped(tileBase, tileStep, walk.bits);
        }
    }
}
