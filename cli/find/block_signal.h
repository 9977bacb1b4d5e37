#pragma once
#include <cstddef>
#include <cstdint>

// How much more alike the bytes of a block are to their near neighbours than to bytes far
// away at the same alignment: tile graphics repeat themselves from one row to the next (one,
// two, three, four, eight or sixteen bytes on, by layout), and from one pixel to the next
// within a byte, while code, text and compressed data are no more alike nearby than far off.
// Blank and constant runs are alike at every distance, so they score nothing.
struct BlockSignal {
    static constexpr int64_t kBlockBytes = 64;
    // The far neighbour: a multiple of 2, 3, 8 and 16, so that structures of those periods
    // (tables of 16- or 32-bit numbers, RGB triples) are alike at both distances.
    static constexpr int64_t kFar = 3216;
    // Bytes the near neighbours reach past a block's end.
    static constexpr int64_t kNearReach = 24;

    // The signal of the block at block[0..kBlockBytes), reading kNearReach bytes further, with
    // the far neighbours at far[0..kBlockBytes): the best excess over the far neighbour, as a
    // share of what was left to explain.
    static float of(const uint8_t* block, const uint8_t* far) { return measure(block, far).signal; }

    // The signal, and the near distance in bytes at which the block is most alike, where that
    // excess is clear (kClearStride), else 0: blocks of one kind of data share it, so that a
    // picture among tables stands out where a run holds both.
    struct Measure {
        float signal;
        uint8_t stride;
    };
    static constexpr float kClearStride = 0.3f;
    static Measure measure(const uint8_t* block, const uint8_t* far);
};
