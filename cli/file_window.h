#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The part of a file that is decoded as if it were the whole sample. Only that part is
// read, so files of any size work.
struct FileWindow {
    // The decoder counts a sample's bytes in 32 bits.
    static constexpr int64_t kMaxLength = (int64_t(1) << 31) - 1;

    int64_t start = 0;
    int64_t fileSize = 0;
    std::vector<uint8_t> bytes;

    // Reads length bytes from start, or up to the end of the file without a length. On
    // failure returns false and sets reason; a FIFO or device is refused, never waited on.
    bool read(const std::string& path, int64_t start, std::optional<int64_t> length,
              std::string& reason);
};
