#include "decode/tile_reader.h"

#include <bit>
#include <cstring>

namespace {

// A bit address wrapped into [0, bits): negative addresses count back from the end.
uint64_t wrapAddress(int64_t address, int64_t bits) {
    const int64_t r = address % bits;
    return uint64_t(r < 0 ? r + bits : r);
}

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

// The word reads below take byte k of a load as the k-th byte of the sample and of the
// grey row, which holds on little-endian machines only.
static_assert(std::endian::native == std::endian::little,
              "the word-wide row reads assume a little-endian machine");

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

void TileReader::prepare(const uint8_t* bytes, int64_t length, const TileLayout& layout) {
    bytes_ = bytes;
    length_ = length;
    bits_ = 8 * uint64_t(length);
    tileSize_ = layout.tileSize;
    planes_ = layout.greyPlanes();
    const int64_t bits = int64_t(bits_);
    direction_ = tileSize_ <= bits ? layout.consecutiveRowDirection() : 0;
    path_ = direction_ == 0  ? RowPath::Bits
            : tileSize_ <= 8 ? RowPath::NarrowWords
                             : RowPath::Words;
    firstTile_ = wrapAddress(layout.offset, bits);
    tileStep_ = wrapAddress(layout.tileDelta, bits);
    for (int64_t px = 0; px < tileSize_; ++px) {
        columnStep_[px] = wrapAddress(px * layout.xDelta + layout.columnGroupOffset(px), bits);
    }
    for (int p = 0; p < planes_; ++p) {
        for (int64_t py = 0; py < tileSize_; ++py) {
            rowStep_[p][py] =
                wrapAddress(py * layout.yDelta + p * int64_t(layout.bitplaneDelta), bits);
        }
    }
}

const uint8_t* TileReader::row(uint64_t base, int64_t py) {
    if (path_ == RowPath::NarrowWords && readNarrowRow(base, py)) return grey_;
    for (int64_t i = 0; i < tileSize_; i += 8) std::memset(grey_ + i, 0, 8);
    for (int p = 0; p < planes_; ++p) {
        const uint64_t rowBase = addWrapped(base, rowStep_[p][py]);
        if (path_ == RowPath::Bits || !readPlaneWords(rowBase, p)) readPlaneBits(rowBase, p);
    }
    return grey_;
}

void TileReader::readPlaneBits(uint64_t rowBase, int p) {
    const int shift = 7 - p;
    for (int64_t px = 0; px < tileSize_; ++px) {
        const uint64_t w = addWrapped(rowBase, columnStep_[px]);
        const unsigned bit = (bytes_[w >> 3] >> (w & 7)) & 1u;
        grey_[px] = uint8_t(grey_[px] | (bit << shift));
    }
}

// The lowest address of a plane's row, where the whole row can be read a word at a time:
// false where it wraps or runs too close to the end of the sample.
bool TileReader::wordRow(uint64_t rowBase, uint64_t& low) const {
    const uint64_t span = uint64_t(tileSize_) - 1;
    if (direction_ < 0 && rowBase < span) return false;
    low = direction_ > 0 ? rowBase : rowBase - span;
    return low + span < bits_ && ((low + span) >> 3) + 8 <= uint64_t(length_);
}

// Up to eight pixels whose lowest address is first, spread to their bytes as 0x80 or 0.
uint64_t TileReader::spreadGroup(uint64_t first, unsigned count) const {
    const unsigned v = unsigned(load64(bytes_ + (first >> 3)) >> (first & 7)) & 0xFFu;
    if (direction_ > 0) return kSpread.lowFirst[v & ((1u << count) - 1)];
    // Pixel k of the group is bit count - 1 - k of v.
    return kSpread.highFirst[(v << (8 - count)) & 0xFFu];
}

// Rows of up to eight pixels: every plane's word goes into one register, and the row is
// stored once. False (nothing written) where a plane's row cannot be read as a word.
bool TileReader::readNarrowRow(uint64_t base, int64_t py) {
    uint64_t levels = 0;
    for (int p = 0; p < planes_; ++p) {
        uint64_t low;
        if (!wordRow(addWrapped(base, rowStep_[p][py]), low)) return false;
        levels |= spreadGroup(low, unsigned(tileSize_)) >> p;
    }
    std::memcpy(grey_, &levels, 8);  // bytes past the row are scratch
    return true;
}

// Eight pixels at a time from one unaligned word; false where the row cannot be read so.
bool TileReader::readPlaneWords(uint64_t rowBase, int p) {
    uint64_t low;
    if (!wordRow(rowBase, low)) return false;
    const uint64_t span = uint64_t(tileSize_) - 1;
    for (int64_t group = 0; group < tileSize_; group += 8) {
        const int64_t count = std::min<int64_t>(8, tileSize_ - group);
        // The lowest address of this group of pixels.
        const uint64_t first =
            direction_ > 0 ? low + uint64_t(group) : low + span - uint64_t(group + count - 1);
        uint64_t current;
        std::memcpy(&current, grey_ + group, 8);
        current |= spreadGroup(first, unsigned(count)) >> p;
        std::memcpy(grey_ + group, &current, 8);  // bytes past the row are scratch
    }
    return true;
}
