#include "cli/find/bit_agreement.h"

#include <bit>

#include "cli/find/beyond_chance.h"

namespace {

// Most of the work is counting bits: the processor's own instruction where it has one. The
// versions are chosen within this file, behind the plain functions below.

[[gnu::target_clones("popcnt", "default")]] double atLag(const uint8_t* bytes, int64_t length,
                                                         int64_t lag, int64_t run, int64_t step) {
    int64_t agree = 0, ones = 0, pairs = 0;
    for (int64_t from = 0; from + lag < length; from += step) {
        for (int64_t i = from; i < from + run && i + lag < length; ++i) {
            agree += 8 - std::popcount(uint8_t(bytes[i] ^ bytes[i + lag]));
            ones += std::popcount(bytes[i]);
            pairs += 8;
        }
    }
    return pairs
               ? agreementBeyondChance(double(agree) / double(pairs), double(ones) / double(pairs))
               : 0.0;
}

[[gnu::target_clones("popcnt", "default")]] double withinBytes(const uint8_t* bytes, int64_t length,
                                                               bool inkedOnly) {
    int64_t agree = 0, ones = 0, counted = 0;
    for (int64_t i = 0; i < length; ++i) {
        if (inkedOnly && bytes[i] == 0) continue;
        agree += 7 - std::popcount(uint8_t((bytes[i] ^ (bytes[i] >> 1)) & 0x7F));
        ones += std::popcount(bytes[i]);
        ++counted;
    }
    return counted > 0 ? agreementBeyondChance(double(agree) / double(7 * counted),
                                               double(ones) / double(8 * counted))
                       : 0.0;
}

[[gnu::target_clones("popcnt", "default")]] double halves(const uint8_t* bytes, int64_t length,
                                                          bool highestFirst) {
    int64_t seam = 0, within = 0, ones = 0;
    const int64_t rows = length / 2;
    for (int64_t k = 0; k < rows; ++k) {
        const uint8_t a = bytes[2 * k], b = bytes[2 * k + 1];
        seam += highestFirst ? (a & 1) == (b >> 7) : (a >> 7) == (b & 1);
        within += 14 - std::popcount(uint8_t((a ^ (a >> 1)) & 0x7F)) -
                  std::popcount(uint8_t((b ^ (b >> 1)) & 0x7F));
        ones += std::popcount(a) + std::popcount(b);
    }
    if (rows == 0) return 1.0;
    const double p = double(ones) / double(16 * rows);
    const double inside = agreementBeyondChance(double(within) / double(14 * rows), p);
    return inside > 0 ? agreementBeyondChance(double(seam) / double(rows), p) / inside : 1.0;
}

}  // namespace

double agreementAtLag(const uint8_t* bytes, int64_t length, int64_t lag, int64_t run,
                      int64_t step) {
    return atLag(bytes, length, lag, run, step);
}

double agreementWithinBytes(const uint8_t* bytes, int64_t length, bool inkedOnly) {
    return withinBytes(bytes, length, inkedOnly);
}

double halvesContinue(const uint8_t* bytes, int64_t length, bool highestFirst) {
    return halves(bytes, length, highestFirst);
}
