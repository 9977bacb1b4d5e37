#pragma once
#include <cstdint>

#include "decode/parameter_list.h"
#include "display/display.h"

// Draws the blue grid and every tile of the sample into the display's pixel buffer, on
// black: whatever the buffer held before is gone. Bit addresses wrap into the sample, so
// every value of every parameter is drawable.
void decodeTiles(FillColor& fillColor, Display& display, const uint8_t* bytes, int32_t length,
                 const ParameterList& parameters);
