#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

// Copies n bytes with fixed-size moves that the compiler inlines: the drawing code copies
// many short runs (a block row, a bar's width), where a library call costs more than the
// copy. The ranges must not overlap.
inline void copyShort(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n >= 8) {
        size_t i = 0;
        for (; i + 8 < n; i += 8) std::memcpy(dst + i, src + i, 8);
        std::memcpy(dst + n - 8, src + n - 8, 8);  // may overlap the previous move
        return;
    }
    if (n >= 4) {
        std::memcpy(dst, src, 4);
        std::memcpy(dst + n - 4, src + n - 4, 4);
        return;
    }
    if (n >= 2) {
        std::memcpy(dst, src, 2);
        std::memcpy(dst + n - 2, src + n - 2, 2);
        return;
    }
    if (n == 1) dst[0] = src[0];
}

inline void copyRun(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n <= 64) {
        copyShort(dst, src, n);
    } else {
        std::memcpy(dst, src, n);
    }
}
