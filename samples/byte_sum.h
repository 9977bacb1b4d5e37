#pragma once
#include <cstdint>

// Byte sum modulo 2^32, every byte taken as 0..255; 0 when count is below 1. Known samples
// are recognised by it.
uint32_t byteSum(const uint8_t* bytes, int32_t count);
