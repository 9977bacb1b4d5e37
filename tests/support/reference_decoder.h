#pragma once
#include <cstdint>

#include "decode/parameter_list.h"
#include "display/pixel_buffer.h"

// The decoder written the plain way, one fill and one modulo per bit read, in exact
// 64-bit arithmetic. The production decoder must draw the very same picture.
void decodeTilesReference(PixelBuffer& picture, const uint8_t* bytes, int32_t length,
                          const ParameterList& parameters);
