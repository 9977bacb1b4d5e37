#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

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
        if ((base & 7) != splitFor_) split(base & 7);
        const uint8_t* first = bytes + (base >> 3);
        if (runsDown_ >= 0) {
            // Eight pixels of a plane at once, along a row or down a column: each byte's bits
            // spread to a pixel each.
            const Spread* runs = runs_;
            for (int a = 0; a < side_; ++a) {
                for (int b = 0; b < side_; b += 8, runs += kPlanes) {
                    uint64_t eight = 0;
                    for (int p = 0; p < kPlanes; ++p) {
                        eight |= kSpread[runs[p].lowestFirst][first[runs[p].byte]] >> p;
                    }
                    if (!runsDown_) {
                        std::memcpy(out + a * stride + b, &eight, 8);
                    } else {
                        uint8_t pixels[8];
                        std::memcpy(pixels, &eight, 8);
                        for (int i = 0; i < 8; ++i) out[(b + i) * stride + a] = pixels[i];
                    }
                }
            }
            return;
        }
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

    // Whether each row (`down`: each column) of tiles 8 pixels wide whose first bit lies at `at`
    // (mod 8) is a whole byte of one plane, its pixels all from the highest bit or all from the
    // lowest; where they are, lineByte[i] is row (column) i's byte from a tile's first byte.
    bool linesAreBytes(int64_t at, bool down, int32_t (&lineByte)[8], bool& lowestFirst) {
        if ((at & 7) != splitFor_) split(at & 7);
        if (kPlanes != 1 || side_ != 8 || runsDown_ != (down ? 1 : 0)) return false;
        lowestFirst = runs_[0].lowestFirst != 0;
        for (int i = 0; i < 8; ++i) {
            if ((runs_[i].lowestFirst != 0) != lowestFirst) return false;
            lineByte[i] = runs_[i].byte;
        }
        return true;
    }

    // The place in its byte of plane p's bit of each pixel of the tile read last: a row of
    // kMaxSide places for each row of the tile.
    const uint8_t* planePlaces(int p) const { return planePlaceOf_[p]; }

private:
    // Eight pixels of a plane in one byte, highest or lowest bit first.
    struct Spread {
        int32_t byte;
        int32_t lowestFirst;
    };
    // For each byte, eight bytes in memory order that are 0x80 where its bit for that pixel is
    // set: highest bit first, then lowest bit first.
    static constexpr std::array<std::array<uint64_t, 256>, 2> kSpread = [] {
        std::array<std::array<uint64_t, 256>, 2> spread{};
        for (int order = 0; order < 2; ++order) {
            for (int b = 0; b < 256; ++b) {
                uint64_t v = 0;
                for (int i = 0; i < 8; ++i) {
                    const int bit = order ? i : 7 - i;
                    if ((b >> bit) & 1) v |= uint64_t(0x80) << (8 * i);
                }
                spread[size_t(order)][size_t(b)] = v;
            }
        }
        return spread;
    }();

    void split(int64_t at) {
        splitFor_ = at;
        for (int y = 0, k = 0; y < side_; ++y) {
            for (int x = 0; x < side_; ++x) {
                for (int p = 0; p < kPlanes; ++p, ++k) {
                    const int64_t at = splitFor_ + relative_[k];
                    byteOf_[k] = int32_t(at >> 3);
                    placeOf_[k] = uint8_t(at & 7);
                    planePlaceOf_[p][y * kMaxSide + x] = placeOf_[k];
                }
            }
        }
        runsDown_ = -1;
        for (int down = 0; down < 2 && runsDown_ < 0 && side_ % 8 == 0; ++down) {
            if (findRuns(down != 0)) runsDown_ = down;
        }
    }

    // Whether every plane's pixels lie in whole bytes eight at a time, along rows or down
    // columns; where they do, runs_ holds them.
    bool findRuns(bool down) {
        const int step = (down ? side_ : 1) * kPlanes;  // from one pixel of a run to the next
        Spread* run = runs_;
        for (int a = 0; a < side_; ++a) {
            for (int b = 0; b < side_; b += 8, run += kPlanes) {
                for (int p = 0; p < kPlanes; ++p) {
                    const int k = (down ? b * side_ + a : a * side_ + b) * kPlanes + p;
                    const bool lowestFirst = placeOf_[k] == 0;
                    for (int i = 0; i < 8; ++i) {
                        const int at = k + i * step;
                        if (byteOf_[at] != byteOf_[k] || placeOf_[at] != (lowestFirst ? i : 7 - i))
                            return false;
                    }
                    run[p] = {byteOf_[k], lowestFirst ? 1 : 0};
                }
            }
        }
        return true;
    }

    int side_;
    int64_t relative_[kMaxSide * kMaxSide * kPlanes];  // from the tile's first bit
    int64_t lowest_ = 0, highest_ = 0;
    int32_t byteOf_[kMaxSide * kMaxSide * kPlanes];
    uint8_t placeOf_[kMaxSide * kMaxSide * kPlanes];
    uint8_t planePlaceOf_[kPlanes][kMaxSide * kMaxSide] = {};
    int64_t splitFor_ = -1;
    int runsDown_ = -1;  // pixels read a byte at a time: 0 along rows, 1 down columns, -1 not
    Spread runs_[kMaxSide * kMaxSide / 8 * kPlanes];
};
