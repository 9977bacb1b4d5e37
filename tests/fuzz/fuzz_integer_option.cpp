// Arbitrary text as a number on the command line: accepted values lie in the range and read
// back the same; everything else is refused without a crash.
#include <cstdint>
#include <limits>
#include <string>

#include "cli/integer_option.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto wide = parseInteger<int64_t>(text, std::numeric_limits<int64_t>::min(),
                                            std::numeric_limits<int64_t>::max());
    const auto narrow = parseInteger<int32_t>(text, -5, 1000);
    if (narrow && (*narrow < -5 || *narrow > 1000)) __builtin_trap();
    if (narrow && (!wide || *wide != *narrow)) __builtin_trap();  // the ranges nest
    return 0;
}
