#pragma once
#include <cstdint>
#include <random>
#include <vector>

// count bytes of a fixed pseudo-random sequence: data with no structure, the same every run.
inline std::vector<uint8_t> randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}
