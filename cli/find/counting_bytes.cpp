#include "cli/find/counting_bytes.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint64_t kEvenness = 8;   // a step may differ from the one before by an eighth of it
constexpr int64_t kFewCarries = 4;  // carries so few among the bytes are chance

// The share for numbers of kWidth bytes. Steps wrap as numbers of the width do; taken as
// signed values, their sizes are their magnitudes.
template <int64_t kWidth>
double shareOf(const uint8_t* bytes, int64_t length) {
    const int64_t numbers = length / kWidth;
    if (numbers < 16) return 0;
    constexpr int kShift = int(64 - 8 * kWidth);
    auto number = [&](int64_t k) {
        uint64_t v = 0;
        std::memcpy(&v, bytes + k * kWidth, kWidth);  // little-endian machines
        return v;
    };
    auto signedOf = [](uint64_t v) { return int64_t(v << kShift) >> kShift; };
    auto size = [](uint64_t v) { return int64_t(v) < 0 ? 0 - v : v; };
    int64_t even = 0;
    int64_t before = signedOf(number(1) - number(0));
    for (int64_t k = 2; k < numbers; ++k) {
        const int64_t step = signedOf(number(k) - number(k - 1));
        // Runs of one number are no count.
        even += step != 0 &&
                size(uint64_t(step) - uint64_t(before)) <= size(uint64_t(step)) / kEvenness;
        before = step;
    }
    return double(even) / double(numbers - 2);
}

}  // namespace

double countingShare(const uint8_t* bytes, int64_t length) {
    return std::max({shareOf<1>(bytes, length), shareOf<2>(bytes, length),
                     shareOf<4>(bytes, length), shareOf<8>(bytes, length)});
}

double carryShare(const uint8_t* bytes, int64_t length) {
    int64_t differing = 0, carries = 0;
    for (int64_t k = 0; k + 1 < length; ++k) {
        const int a = bytes[k], b = bytes[k + 1];
        if (a == b) continue;
        ++differing;
        // A carry into the highest bits (0x7F to 0x80) is also a solid half of a line of
        // pixels beside a blank one, as pictures have.
        const int flipped = std::popcount(unsigned(a ^ b));
        carries += std::abs(a - b) == 1 && flipped >= 2 && flipped <= 6;
    }
    return carries >= kFewCarries ? double(carries) / double(differing) : 0;
}
