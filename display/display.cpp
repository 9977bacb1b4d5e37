#include "display/display.h"

#include <new>

void Display::beginFrame() {
    if (!presentedSinceBegin || !pixelBuffer.data) return;
    presentedSinceBegin = false;
    // Without room for a second buffer every present sends the whole picture, as it may.
    if (!previous) previous.reset(new (std::nothrow) uint8_t[PixelBuffer::kBytes]);
    if (!previous) return;
    previous.swap(pixelBuffer.storage);
    pixelBuffer.data = pixelBuffer.storage.get();
    previousOnTexture = true;
}

void FillColor::fillRect(Display& display, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    fillRect(display.pixelBuffer, x1, y1, x2, y2);
}
