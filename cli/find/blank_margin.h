#pragma once
#include <cstdint>

// The first byte of a blank margin that ends right before bytes[at] and opens graphics: a run
// of at least 8 bytes of one value, after bytes of other data (8 values or more among the 16
// before it: a picture's own columns before a blank stretch take few); -1 where there is none.
// Graphics whose tiles continue each other as well wherever they start (a byte a column)
// show where they start only so.
int64_t marginBefore(const uint8_t* bytes, int64_t length, int64_t at);

// The first of bytes[0..until) that opens a blank margin as marginBefore tells it: graphics
// whose first columns of ink save too little to be kept open at the first such margin before
// what is kept. -1 where there is none.
int64_t firstMarginBefore(const uint8_t* bytes, int64_t length, int64_t until);

// The first byte of a blank margin (8 bytes or more of one value) that opens graphics a few
// bytes after bytes[at], where the bytes from bytes[at] on carry on the run of one value that
// ends right before it (the data before the graphics, which the tiles kept start inside), if
// it starts within `within` bytes of `at`; -1 where there is none.
int64_t marginAfterRun(const uint8_t* bytes, int64_t length, int64_t at, int64_t within);
