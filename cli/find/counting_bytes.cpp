#include "cli/find/counting_bytes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kEvenness = 8;  // a step may differ from the one before by an eighth of it

}  // namespace

double countingShare(const uint8_t* bytes, int64_t length) {
    double most = 0;
    for (int64_t width : {1, 2, 4, 8}) {
        const int64_t numbers = length / width;
        if (numbers < 16) continue;
        const int shift = int(64 - 8 * width);
        auto number = [&](int64_t k) {
            uint64_t v = 0;
            std::memcpy(&v, bytes + k * width, size_t(width));  // little-endian machines
            return v;
        };
        // Steps wrap as numbers of the width do; as signed values, sizes are their magnitudes.
        auto signedOf = [&](uint64_t v) { return int64_t(v << shift) >> shift; };
        auto size = [](uint64_t v) { return int64_t(v) < 0 ? 0 - v : v; };
        int64_t even = 0;
        for (int64_t k = 2; k < numbers; ++k) {
            const int64_t step = signedOf(number(k) - number(k - 1));
            if (step == 0) continue;  // runs of one number are no count
            const int64_t before = signedOf(number(k - 1) - number(k - 2));
            even += size(uint64_t(step) - uint64_t(before)) <= size(uint64_t(step)) / kEvenness;
        }
        most = std::max(most, double(even) / double(numbers - 2));
    }
    return most;
}
