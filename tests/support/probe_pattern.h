#pragma once
#include "display/pixel_buffer.h"

// A picture in which every pixel says where it belongs: a colour ramp over the whole
// buffer, a red top line, a blue bottom line, green and yellow edge columns.
inline void drawProbePattern(PixelBuffer& buffer) {
    for (int32_t y = 0; y < buffer.height; ++y) {
        for (int32_t x = 0; x < buffer.width; ++x) {
            uint8_t* p = buffer.pixelAt(x, y);
            p[0] = uint8_t(x * 7 + y);
            p[1] = uint8_t(y * 3);
            p[2] = uint8_t(x ^ y);
        }
    }
    const int32_t right = buffer.width - 1, bottom = buffer.height - 1;
    FillColor{255, 0, 0}.fillRect(buffer, 0, 0, right, 0);
    FillColor{0, 0, 255}.fillRect(buffer, 0, bottom, right, bottom);
    FillColor{0, 255, 0}.fillRect(buffer, 0, 1, 0, bottom - 1);
    FillColor{255, 255, 0}.fillRect(buffer, right, 1, right, bottom - 1);
}
