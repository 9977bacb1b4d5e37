#include "decode/tile_decoder.h"

#include "decode/grid_decoder.h"

void decodeTiles(FillColor& fillColor, Display& display, const uint8_t* bytes, int32_t length,
                 const ParameterList& parameters) {
    GridDecoder decoder;  // its scratch lives for this call only, on the stack
    if (decoder.draw(display.pixelBuffer, bytes, length, TileLayout::read(parameters),
                     parameters.get(parameter::kScale))) {
        fillColor = FillColor{0, 0, 255};  // the bars' colour, as if they had been filled with it
    }
}
