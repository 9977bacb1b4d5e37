#include "cli/find/blank_margin.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kMarginBytes = 8;
constexpr int64_t kOtherBytes = 16;

}  // namespace

int64_t marginBefore(const uint8_t* bytes, int64_t length, int64_t at) {
    if (at <= 0 || at > length) return -1;
    int64_t first = at - 1;
    while (first > 0 && bytes[first - 1] == bytes[at - 1]) --first;
    if (at - first < kMarginBytes || first < kOtherBytes) return -1;
    std::vector<uint8_t> other(bytes + first - kOtherBytes, bytes + first);
    std::sort(other.begin(), other.end());
    const int64_t values = std::unique(other.begin(), other.end()) - other.begin();
    return values >= kOtherBytes / 2 ? first : -1;
}
