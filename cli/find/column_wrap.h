#pragma once
#include <cstdint>

// Where the rows of tiles of a picture stored a byte a column, left to right, wrap to the next.
// A row of tiles is a run of columns byte after byte, and the next row's first column follows
// its last. Each column continues into the column a row of tiles on, the picture's width in
// bytes, and neighbouring bytes differ most where a row ends and the next begins, wherever the
// picture's edges hold something (blank margins on both sides hide it). `topBit` is the bit of
// a byte at the top of its column. The byte from bytes[0] that opens a row of tiles, below the
// width; -1 where no width or no wrap stands out.
int64_t columnWrap(const uint8_t* bytes, int64_t length, int topBit);
