#pragma once
#include <cstdint>

// Turns a line of grey levels into screen bytes: each level becomes a block of s pixels, that
// is 3 x s equal bytes. The decoder's whole screen line goes through one call, so the work
// is one long loop rather than a short one per tile.
//
// Blocks of up to five pixels (at most 15 bytes) are made sixteen levels at a time by byte
// shuffles, where the processor has them (SSSE3); wider blocks are filled with 16-byte (else
// 8-byte) stores of the repeated level, the last one ending exactly at the block's end.
class LineExpander {
public:
    static constexpr int64_t kMaxShuffleScale = 5;
    // Levels the shuffle path may read past the last one it is given.
    static constexpr int64_t kReadSlack = 16;

    // allowShuffles false keeps to the portable code, which machines without SSSE3 run.
    void prepare(int64_t scale, bool allowShuffles = true);
    // Writes exactly count * 3 * scale bytes to out. Up to kReadSlack bytes past the last
    // level must be readable.
    void expand(const uint8_t* grey, int64_t count, uint8_t* out) const;

private:
    void expandShuffled(const uint8_t* grey, int64_t count, uint8_t* out) const;

    int64_t span_ = 0;  // bytes of one block
    bool shuffle_ = false;
    // For each 16-byte chunk of the 48 x scale bytes that sixteen levels become, which
    // level each of its bytes takes.
    alignas(16) uint8_t masks_[3 * kMaxShuffleScale][16] = {};
};
