#pragma once
#include <algorithm>
#include <cstdint>

#include "decode/tile_layout.h"

// Tiles of a layout read as grey levels for the finder's measures, the first plane the highest
// bit of a level. The number of planes is fixed for each instance, so that the loops over
// planes unroll; tiles are 1 to kMaxSide pixels wide.
template <int kPlanes>
class GreyTiles {
public:
    static constexpr int kMaxSide = 16;

    explicit GreyTiles(const TileLayout& layout) : side_(layout.tileSize) {
        for (int i = 0; i < side_ * side_; ++i) {
            for (int p = 0; p < kPlanes; ++p) {
                const int64_t a = layout.bitAddress(0, i % side_, i / side_, p) - layout.offset;
                relative_[i * kPlanes + p] = a;
                lowest_ = std::min(lowest_, a);
                highest_ = std::max(highest_, a);
            }
        }
    }

    // Whether the tile whose first bit is `base` lies within `bits` bits.
    bool fits(int64_t base, int64_t bits) const {
        return base + lowest_ >= 0 && base + highest_ < bits;
    }

    // Reads the tile whose first bit is `base` (which must fit): its row y to out[y * stride].
    void read(const uint8_t* bytes, int64_t base, uint8_t* out, int stride) {
        // Where each bit lies as a byte from the tile's first byte and a place in it: the same
        // for all tiles that start at one bit of a byte (tiles a whole number of bytes apart).
        if ((base & 7) != splitFor_) {
            splitFor_ = base & 7;
            for (int k = 0; k < side_ * side_ * kPlanes; ++k) {
                byteOf_[k] = int32_t((splitFor_ + relative_[k]) >> 3);
                placeOf_[k] = uint8_t((splitFor_ + relative_[k]) & 7);
            }
        }
        const uint8_t* first = bytes + (base >> 3);
        for (int y = 0; y < side_; ++y) {
            for (int x = 0; x < side_; ++x) {
                const int k = (y * side_ + x) * kPlanes;
                unsigned g = 0;
                for (int p = 0; p < kPlanes; ++p) {
                    g |= ((unsigned(first[byteOf_[k + p]]) >> placeOf_[k + p]) & 1u) << (7 - p);
                }
                out[y * stride + x] = uint8_t(g);
            }
        }
    }

    // The place in its byte of each plane bit of each pixel of the tile read last.
    const uint8_t* places() const { return placeOf_; }

private:
    int side_;
    int64_t relative_[kMaxSide * kMaxSide * kPlanes];  // from the tile's first bit
    int64_t lowest_ = 0, highest_ = 0;
    int32_t byteOf_[kMaxSide * kMaxSide * kPlanes];
    uint8_t placeOf_[kMaxSide * kMaxSide * kPlanes];
    int64_t splitFor_ = -1;
};
