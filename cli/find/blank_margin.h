#pragma once
#include <cstdint>

// The first byte of a blank margin that ends right before bytes[at] and opens graphics: a run
// of at least 8 bytes of one value, after bytes of other data (8 values or more among the 16
// before it: a picture's own columns before a blank stretch take few); -1 where there is none.
// Graphics whose tiles continue each other as well wherever they start (a byte a column)
// show where they start only so.
int64_t marginBefore(const uint8_t* bytes, int64_t length, int64_t at);
