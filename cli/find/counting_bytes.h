#pragma once
#include <cstdint>

// The share of the numbers in bytes (little-endian, of 1, 2, 4 or 8 bytes, whichever shows it
// most) that go on from the number before by the same step as it did from the one before it:
// tables that count up (indices, offsets, addresses, runs of digits) repeat their bits
// from one number to the next as a picture repeats its rows, while a picture's levels seldom
// step evenly for long.
double countingShare(const uint8_t* bytes, int64_t length);

// Of the neighbouring bytes that differ, the share that are one number and the next across a
// carry (0x2F and 0x30): counters in tables step so all the time; a picture's rows or columns
// seldom flip the bits that make a carry.
double carryShare(const uint8_t* bytes, int64_t length);
