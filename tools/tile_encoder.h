#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "decode/tile_layout.h"

// The inverse of the viewer's decoder: puts the bits of tiles at the addresses a layout
// reads them from, so that the file shows its pictures under it.

// Bit of plane p of pixel (px, py) of tile n.
using TileBits = std::function<bool(int64_t n, int64_t px, int64_t py, int64_t p)>;

struct EncodedSample {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> used;  // a mask per byte: the bits some tile reads

    explicit EncodedSample(size_t length) : bytes(length, 0), used(length, 0) {}

    void encode(const TileLayout& layout, int64_t tiles, const TileBits& bits) {
        const int64_t total = 8 * int64_t(bytes.size());
        for (int64_t n = 0; n < tiles; ++n) {
            for (int64_t py = 0; py < layout.tileSize; ++py) {
                for (int64_t px = 0; px < layout.tileSize; ++px) {
                    for (int64_t p = 0; p < layout.bitplanes; ++p) {
                        int64_t w = layout.bitAddress(n, px, py, p) % total;
                        if (w < 0) w += total;
                        const uint8_t mask = uint8_t(1u << (w % 8));
                        if (bits(n, px, py, p)) {
                            bytes[size_t(w / 8)] |= mask;
                        } else {
                            bytes[size_t(w / 8)] &= uint8_t(~mask);
                        }
                        used[size_t(w / 8)] |= mask;
                    }
                }
            }
        }
    }

    uint32_t sum() const {
        uint32_t s = 0;
        for (uint8_t b : bytes) s += b;
        return s;
    }

    // Sets bits that no tile reads until the byte sum is the target: the picture under
    // the layout stays as it is. Returns false when those bits cannot make up the sum.
    bool fillToSum(uint32_t target) {
        int64_t remaining = int64_t(target) - int64_t(sum());
        if (remaining < 0) return false;
        for (size_t i = 0; i < bytes.size() && remaining > 0; ++i) {
            for (int bit = 7; bit >= 0; --bit) {
                const uint8_t mask = uint8_t(1u << bit);
                if ((used[i] & mask) || (bytes[i] & mask) || remaining < mask) continue;
                bytes[i] |= mask;
                remaining -= mask;
            }
        }
        return remaining == 0;
    }
};
