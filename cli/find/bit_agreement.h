#pragma once
#include <cstdint>

// How much the bits of bytes agree along the axes a tile layout may give them, beyond what
// their density gives by chance (see agreementBeyondChance): neighbouring pixels of a
// picture agree along every axis that is a picture's, its planes less.

// Bytes `lag` apart, bit by bit: the first `run` of every `step` bytes from bytes[0] (every
// byte, by default), each with the byte `lag` on, as long as that lies within `length`.
double agreementAtLag(const uint8_t* bytes, int64_t length, int64_t lag, int64_t run = 1,
                      int64_t step = 1);

// Neighbouring bits of each byte (of the bytes that are not zero only, where `inkedOnly`).
double agreementWithinBytes(const uint8_t* bytes, int64_t length, bool inkedOnly = false);

// Of rows of two bytes from bytes[0], how well the last pixel of the first byte continues into
// the first of the second (as the halves of a row of 16 pixels do, highest bit first or
// lowest), as a share of how well neighbouring pixels within a byte continue each other. Two
// planes of the same 8 pixels, a byte each, meet there as pixels 7 apart of different planes.
// 1 where there is nothing to tell.
double halvesContinue(const uint8_t* bytes, int64_t length, bool highestFirst);
