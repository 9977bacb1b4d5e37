// Arbitrary bytes through the finder's whole search: block signals, runs, every layout at
// every phase, the plane-distance search. Any read outside the bytes shows up under ASan.
#include <cstdint>
#include <vector>

#include "cli/find/finder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so that a read past its end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    FinderOptions options;
    options.minConfidence = 0;
    options.top = 4;
    for (const Find& find : Finder(options).scanBytes(bytes.data(), int64_t(bytes.size()))) {
        if (find.start < 0 || find.end > int64_t(size) || find.start >= find.end) __builtin_trap();
        if (!(find.confidence >= 0 && find.confidence <= 1)) __builtin_trap();
    }
    return 0;
}
