#include "cli/find/format_blanks.h"

#include <bit>
#include <cstddef>

namespace {

// Enough periods that a picture's own blank areas seldom hold a bit still through all of them.
constexpr int64_t kLeastPeriods = 16;
// What share of the bits a format leaves blank, at least: fewer are a picture's margins
// (a font's blank rows and column).
constexpr int kLeastBlankBits = 3 * 8 * kBlankPeriod / 8;

}  // namespace

std::vector<uint8_t> formatBlanks(const uint8_t* bytes, int64_t length) {
    const int64_t from = length / 4 / kBlankPeriod * kBlankPeriod;
    const int64_t periods = (length - 2 * from) / kBlankPeriod;
    if (periods < kLeastPeriods) return {};
    uint8_t all[kBlankPeriod], any[kBlankPeriod];
    for (int64_t i = 0; i < kBlankPeriod; ++i) all[i] = any[i] = bytes[from + i];
    for (int64_t k = 1; k < periods; ++k) {
        const uint8_t* period = bytes + from + k * kBlankPeriod;
        for (int64_t i = 0; i < kBlankPeriod; ++i) {
            all[i] &= period[i];
            any[i] |= period[i];
        }
    }
    uint8_t still[kBlankPeriod];
    int count = 0;
    for (int64_t i = 0; i < kBlankPeriod; ++i) {
        still[i] = uint8_t(~(all[i] ^ any[i]));
        count += std::popcount(still[i]);
    }
    if (count < kLeastBlankBits) return {};
    std::vector<uint8_t> mask(static_cast<size_t>(length));
    for (int64_t i = 0; i < length; ++i) mask[size_t(i)] = still[i % kBlankPeriod];
    return mask;
}
