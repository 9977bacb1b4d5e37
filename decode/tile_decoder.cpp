#include "decode/tile_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "display/small_copy.h"

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
constexpr uint64_t kEveryByte = 0x0101010101010101ull;

// Eight bits spread over eight bytes, each 0x80 or 0: bit i goes to byte i (lowest bit
// leftmost) or to byte 7 - i (highest bit leftmost). Shifting the word right by p then
// gives every byte plane p's weight without spilling into its neighbour.
struct BitSpread {
    uint64_t lowFirst[256];
    uint64_t highFirst[256];
    BitSpread() {
        for (int v = 0; v < 256; ++v) {
            lowFirst[v] = highFirst[v] = 0;
            for (int i = 0; i < 8; ++i) {
                if (v & (1 << i)) {
                    lowFirst[v] |= uint64_t(0x80) << (8 * i);
                    highFirst[v] |= uint64_t(0x80) << (8 * (7 - i));
                }
            }
        }
    }
};
const BitSpread kSpread;

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

struct TileWalk {
    const uint8_t* bytes;
    int64_t length;
    uint64_t bits;
    int64_t tileSize;
    int planes;
    // A row's pixels are consecutive bits (x_delta 1 or -1, no column-group offsets), so
    // a row of a plane can be read a word at a time where it does not wrap.
    int direction;
    uint64_t columnStep[kMaxTileSize];            // px * x_delta + column group, wrapped
    uint64_t rowStep[kGreyPlanes][kMaxTileSize];  // py * y_delta + p * bitplane_delta
    alignas(8) uint8_t grey[kMaxTileSize + 8];

    // Grey levels of one pixel row of a tile whose first bit is at tileBase.
    void readRow(uint64_t tileBase, int64_t py) {
        if (direction != 0 && tileSize <= 8 && readNarrowRow(tileBase, py)) return;
        for (int64_t i = 0; i < tileSize; i += 8) std::memset(grey + i, 0, 8);
        for (int p = 0; p < planes; ++p) {
            const uint64_t rowBase = addWrapped(tileBase, rowStep[p][py], bits);
            if (direction == 0 || !readPlaneWords(rowBase, p)) readPlaneBits(rowBase, p);
        }
    }

    void readPlaneBits(uint64_t rowBase, int p) {
        const int shift = 7 - p;
        for (int64_t px = 0; px < tileSize; ++px) {
            const uint64_t w = addWrapped(rowBase, columnStep[px], bits);
            const unsigned bit = (bytes[w >> 3] >> (w & 7)) & 1u;
            grey[px] = uint8_t(grey[px] | (bit << shift));
        }
    }

    // The lowest address of a plane's row, where the whole row can be read a word at a
    // time: false where it wraps or runs too close to the end of the sample.
    bool wordRow(uint64_t rowBase, uint64_t& low) const {
        const uint64_t span = uint64_t(tileSize) - 1;
        if (direction < 0 && rowBase < span) return false;
        low = direction > 0 ? rowBase : rowBase - span;
        return low + span < bits && ((low + span) >> 3) + 8 <= uint64_t(length);
    }

    // Up to eight pixels whose lowest address is first, spread to their bytes as 0x80 or 0.
    uint64_t spreadGroup(uint64_t first, unsigned count) const {
        const unsigned v = unsigned(load64(bytes + (first >> 3)) >> (first & 7)) & 0xFFu;
        if (direction > 0) return kSpread.lowFirst[v & ((1u << count) - 1)];
        // Pixel k of the group is bit count - 1 - k of v.
        return kSpread.highFirst[(v << (8 - count)) & 0xFFu];
    }

    // Rows of up to eight pixels: every plane's word goes into one register, and the row is
    // stored once. False (nothing written) where a plane's row cannot be read as a word.
    bool readNarrowRow(uint64_t tileBase, int64_t py) {
        uint64_t levels = 0;
        for (int p = 0; p < planes; ++p) {
            uint64_t low;
            if (!wordRow(addWrapped(tileBase, rowStep[p][py], bits), low)) return false;
            levels |= spreadGroup(low, unsigned(tileSize)) >> p;
        }
        std::memcpy(grey, &levels, 8);  // bytes past the row are scratch
        return true;
    }

    // Eight pixels at a time from one unaligned word; false where the row cannot be read so.
    bool readPlaneWords(uint64_t rowBase, int p) {
        uint64_t low;
        if (!wordRow(rowBase, low)) return false;
        const uint64_t span = uint64_t(tileSize) - 1;
        for (int64_t group = 0; group < tileSize; group += 8) {
            const int64_t count = std::min<int64_t>(8, tileSize - group);
            // The lowest address of this group of pixels.
            const uint64_t first =
                direction > 0 ? low + uint64_t(group) : low + span - uint64_t(group + count - 1);
            uint64_t current;
            std::memcpy(&current, grey + group, 8);
            current |= spreadGroup(first, unsigned(count)) >> p;
            std::memcpy(grey + group, &current, 8);  // bytes past the row are scratch
        }
        return true;
    }
};

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

    // Where tiles are drawn, the vertical bars beside them are written with the tiles'
    // lines below; the horizontal bars cover the rest of them.
    const bool drawsTiles = rows > 0 && cols > 0 && tileSize > 0;
    fillColor.r = 0;
    fillColor.g = 0;
    fillColor.b = 255;
    for (int64_t i = 0; i <= cols && !drawsTiles; ++i) {
        fill(fillColor, display, 1 + i * pitch, 220 - s, i * pitch + s, 219 + rows * pitch);
    }
    for (int64_t j = 0; j <= rows; ++j) {
        fill(fillColor, display, 1, 220 - s + j * pitch, cols * pitch + s, 219 + j * pitch);
    }
    if (!drawsTiles) return;

    // From here on 0 < tileSize < 772 and s <= 386, and every block lies inside the
    // picture: the last tile of a row ends at cols * pitch <= 1784, the last row at 991.
    static thread_local TileWalk walk;
    walk.bytes = bytes;
    walk.length = length;
    walk.bits = 8 * uint64_t(length);
    walk.tileSize = tileSize;
    walk.planes = std::clamp(bitplanes, 0, kGreyPlanes);  // later planes add nothing to grey
    const int64_t bits = int64_t(walk.bits);
    const bool plainColumns = (tileSize <= 4 || g4 == 0) && (tileSize <= 8 || g8 == 0) &&
                              (tileSize <= 12 || g12 == 0) && tileSize <= bits;
    walk.direction = plainColumns && (xDelta == 1 || xDelta == -1) ? int(xDelta) : 0;
    for (int64_t px = 0; px < tileSize; ++px) {
        walk.columnStep[px] = wrapAddress(px * xDelta + columnGroupOffset(px, g4, g8, g12), bits);
    }
    for (int p = 0; p < walk.planes; ++p) {
        for (int64_t py = 0; py < tileSize; ++py) {
            walk.rowStep[p][py] = wrapAddress(py * yDelta + p * bitplaneDelta, bits);
        }
    }

    // Tile rows are written a screen line at a time across all their tiles, so memory is
    // written in order; the first line of each row of blocks is then copied down whole.
    PixelBuffer& buffer = display.pixelBuffer;
    const size_t stride = size_t(buffer.width) * 3;
    // From the first bar to the last, which can reach past the right edge for block sizes
    // above 256: the part of it outside the picture is dropped, as the fill would drop it.
    const int64_t lineEnd = std::min<int64_t>(cols * pitch + s, buffer.width - 1);
    const size_t lineBytes = size_t(lineEnd) * 3;
    const size_t barBytes = size_t(3 * s);
    const size_t lastBarBytes = lineBytes - size_t(cols * pitch) * 3;
    static thread_local uint8_t bar[3 * 386];
    for (size_t i = 0; i < barBytes; i += 3) {
        bar[i] = 0;
        bar[i + 1] = 0;
        bar[i + 2] = 255;
    }
    const uint64_t tileStep = wrapAddress(tileDelta, bits);
    static thread_local uint64_t tileBases[1784];
    uint64_t tileBase = wrapAddress(offset, bits);
    for (int64_t ty = 0; ty < rows; ++ty) {
        for (int64_t tx = 0; tx < cols; ++tx) {
            tileBases[tx] = tileBase;
            tileBase = addWrapped(tileBase, tileStep, walk.bits);
        }
        const int32_t oy = int32_t(220 + ty * pitch);
        for (int64_t py = 0; py < tileSize; ++py) {
            uint8_t* line = buffer.pixelAt(1, int32_t(oy + py * s));
            copyRun(line, bar, barBytes);
            for (int64_t tx = 0; tx < cols; ++tx) {
                uint8_t* cell = line + size_t(tx * pitch) * 3 + barBytes;
                walk.readRow(tileBases[tx], py);
                expandRow(walk.grey, tileSize, s, cell);
                copyRun(cell + size_t(tileSize * s) * 3, bar,
                        tx + 1 < cols ? barBytes : lastBarBytes);
            }
            uint8_t* target = line;
            for (int64_t k = 1; k < s; ++k) {
                target -= stride;
                copyRun(target, line, lineBytes);
            }
        }
    }
}
