#include "decode/line_expander.h"

#include <cstring>

#include "display/small_copy.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define QUORVANE_X86_64 1
#else
#define QUORVANE_X86_64 0
#endif

namespace {

constexpr uint64_t kEveryByte = 0x0101010101010101ull;

bool processorShuffles() {
#if QUORVANE_X86_64
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
#else
    return false;
#endif
}

// Blocks narrower than a word: each level's word runs into the next block, which
// overwrites it; the last blocks, whose word would run past the end, are copied exactly.
void expandNarrow(const uint8_t* grey, int64_t count, size_t span, uint8_t* out) {
    const size_t total = size_t(count) * span;
    size_t pos = 0;
    int64_t i = 0;
    for (; i < count && pos + 8 <= total; ++i, pos += span) {
        const uint64_t v = grey[i] * kEveryByte;
        std::memcpy(out + pos, &v, 8);
    }
    for (; i < count; ++i, pos += span) {
        const uint64_t v = grey[i] * kEveryByte;
        copyShort(out + pos, reinterpret_cast<const uint8_t*>(&v), span);
    }
}

// Blocks of at least a word: whole words from the block's start, the last one ending at
// its end, so nothing is written outside the block.
void expandWide(const uint8_t* grey, int64_t count, size_t span, uint8_t* out) {
#if QUORVANE_X86_64
    if (span >= 16) {
        for (int64_t i = 0; i < count; ++i, out += span) {
            const __m128i v = _mm_set1_epi8(char(grey[i]));
            for (size_t k = 0; k + 16 < span; k += 16) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), v);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + span - 16), v);
        }
        return;
    }
#endif
    for (int64_t i = 0; i < count; ++i, out += span) {
        const uint64_t v = grey[i] * kEveryByte;
        for (size_t k = 0; k + 8 < span; k += 8) std::memcpy(out + k, &v, 8);
        std::memcpy(out + span - 8, &v, 8);
    }
}

#if QUORVANE_X86_64
// Sixteen levels at a time, each 16-byte chunk of their blocks one shuffle of the levels;
// the levels past the last whole group go through a scratch group and are copied exactly.
template <int Chunks>
__attribute__((target("ssse3"))) void expandShuffledWith(const uint8_t* grey, int64_t count,
                                                         const uint8_t (*masks)[16], size_t span,
                                                         uint8_t* out) {
    __m128i shuffles[Chunks];
    for (int c = 0; c < Chunks; ++c) {
        shuffles[c] = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[c]));
    }
    int64_t i = 0;
    for (; i + 16 <= count; i += 16, out += 16 * Chunks) {
        const __m128i levels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + i));
        for (int c = 0; c < Chunks; ++c) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * c),
                             _mm_shuffle_epi8(levels, shuffles[c]));
        }
    }
    if (i == count) return;
    alignas(16) uint8_t group[16 * Chunks];
    const __m128i levels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + i));
    for (int c = 0; c < Chunks; ++c) {
        _mm_store_si128(reinterpret_cast<__m128i*>(group + 16 * c),
                        _mm_shuffle_epi8(levels, shuffles[c]));
    }
    std::memcpy(out, group, size_t(count - i) * span);
}
#endif

}  // namespace

void LineExpander::prepare(int64_t scale, bool allowShuffles) {
    span_ = 3 * scale;
    shuffle_ = allowShuffles && scale <= kMaxShuffleScale && processorShuffles();
    if (!shuffle_) return;
    for (int64_t c = 0; c < span_; ++c) {
        for (int64_t j = 0; j < 16; ++j) masks_[c][j] = uint8_t((16 * c + j) / span_);
    }
}

void LineExpander::expand(const uint8_t* grey, int64_t count, uint8_t* out) const {
    if (shuffle_) {
        expandShuffled(grey, count, out);
    } else if (span_ < 8) {
        expandNarrow(grey, count, size_t(span_), out);
    } else {
        expandWide(grey, count, size_t(span_), out);
    }
}

void LineExpander::expandShuffled(const uint8_t* grey, int64_t count, uint8_t* out) const {
#if QUORVANE_X86_64
    const size_t span = size_t(span_);
    switch (span_ / 3) {
        case 1:
            return expandShuffledWith<3>(grey, count, masks_, span, out);
        case 2:
            return expandShuffledWith<6>(grey, count, masks_, span, out);
        case 3:
            return expandShuffledWith<9>(grey, count, masks_, span, out);
        case 4:
            return expandShuffledWith<12>(grey, count, masks_, span, out);
        default:
            return expandShuffledWith<15>(grey, count, masks_, span, out);
    }
#else
    (void)grey, (void)count, (void)out;
#endif
}
