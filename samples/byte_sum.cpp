#include "samples/byte_sum.h"

uint32_t byteSum(const uint8_t* bytes, int32_t count) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += bytes[i];  // unsigned: wraps modulo 2^32
    return sum;
}
