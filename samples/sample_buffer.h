#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "samples/byte_sum.h"

// The loaded sample. The array may be longer than size: a smaller file reuses it.
struct SampleBuffer {
    // Files from this size on cannot be described by the 32-bit count the decoder takes.
    static constexpr int64_t kSizeLimit = int64_t(1) << 31;

    std::unique_ptr<uint8_t[]> bytes;
    int64_t size = 0;
    int64_t capacity = 0;  // length of the array, for the tests of its reuse

    // Reads the file whole and returns its byte sum. A file that cannot be read
    // becomes an empty sample (no bytes, size 0, sum 0) and the reason is logged.
    uint32_t load(const std::string& path);
    int32_t count() const { return int32_t(uint32_t(uint64_t(size))); }

private:
    uint32_t refuse(const std::string& path, const char* reason);
};
