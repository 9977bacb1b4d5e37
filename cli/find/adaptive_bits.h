#pragma once
#include <cstdint>

// Bits that coding `zeros` zeros and `ones` ones takes with the adaptive Krichevsky-Trofimov
// estimate, each bit coded with probability (its count so far + 1/2) / (bits so far + 1).
// That estimate does not depend on the order of the bits, so counting first and pricing the
// counts once costs the same as coding bit by bit, at a fraction of the time.
double adaptiveBits(uint32_t zeros, uint32_t ones);

// The same for symbols of `kinds` kinds, counted in counts[0..kinds).
double adaptiveSymbols(const uint32_t* counts, int kinds);
