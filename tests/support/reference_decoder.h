#pragma once
#include <cstdint>
#include <cstring>

#include "decode/parameter_list.h"
#include "display/pixel_buffer.h"

// The decoder written the plain way, one fill and one modulo per bit read, in exact
// 64-bit arithmetic. The production decoder must draw the very same picture.
void decodeTilesReference(PixelBuffer& picture, const uint8_t* bytes, int32_t length,
                          const ParameterList& parameters);

// Paints every pixel a colour no decoder draws (neither grey, blue nor black), so that a
// pixel left as it was stands out.
inline void fillWithLeftovers(PixelBuffer& buffer) {
    constexpr uint8_t kLeftover[3] = {90, 165, 60};
    for (size_t i = 0; i < PixelBuffer::kBytes; i += 3) std::memcpy(buffer.data + i, kLeftover, 3);
}
