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

int64_t firstMarginBefore(const uint8_t* bytes, int64_t length, int64_t until) {
    until = std::min(until, length);
    for (int64_t at = 0; at < until;) {
        int64_t end = at + 1;
        while (end < until && bytes[end] == bytes[at]) ++end;
        if (end - at >= kMarginBytes) {
            const int64_t margin = marginBefore(bytes, length, end);
            if (margin >= 0) return margin;
        }
        at = end;
    }
    return -1;
}

int64_t marginAfterRun(const uint8_t* bytes, int64_t length, int64_t at, int64_t within) {
    if (at <= 0 || at >= length) return -1;
    const uint8_t before = bytes[at - 1];
    int64_t first = at;
    while (first < length && first - at < within && bytes[first] == before) ++first;
    if (first == at || first - at >= within || first + kMarginBytes > length) return -1;
    const uint8_t* margin = bytes + first;
    return std::all_of(margin, margin + kMarginBytes, [&](uint8_t b) { return b == margin[0]; })
               ? first
               : -1;
}
