#include "display/display.h"

void FillColor::fillRect(Display& display, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    fillRect(display.pixelBuffer, x1, y1, x2, y2);
}
