#pragma once
#include <cstdint>
#include <vector>

// A format's blank bits: those with the same value at their place in every kBlankPeriod bytes
// of the middle half of a run, where they are a large share of its bits. A picture kept in
// some bits of each byte (a bit a byte, or each half of a row in a nibble of its own) leaves
// the others blank; read as pixels, they explain nothing yet look coherent.
// A mask as long as the bytes with those bits set, or empty where there are few or the run is
// too short to tell.
std::vector<uint8_t> formatBlanks(const uint8_t* bytes, int64_t length);

inline constexpr int64_t kBlankPeriod = 16;
