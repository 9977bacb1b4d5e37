#pragma once
#include <cstdint>

// Whether bytes are text: three in four of those that are not zero printable ASCII, and two
// in five lower case letters. Tables of names (symbol and string tables, their lines padded to
// a fixed length) repeat themselves from line to line and read as coherent tiles in some
// layouts, but glyph rows and grey levels are seldom this narrow: a font's rows hold bytes
// below 0x20 and from 0x80 up, a picture's levels spread beyond the letters.
bool looksLikeText(const uint8_t* bytes, int64_t length);

// The share of the stretches of kTextStretch bytes in bytes[0..length) that are text.
constexpr int64_t kTextStretch = 64;
double textShare(const uint8_t* bytes, int64_t length);
