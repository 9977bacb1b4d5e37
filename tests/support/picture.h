#pragma once
#include <cstdint>
#include <memory>
#include <ostream>

#include "display/display.h"

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << '(' << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ')';
}

inline Rgb pixel(const PixelBuffer& buffer, int32_t x, int32_t y) {
    const uint8_t* p = buffer.pixelAt(x, y);
    return {p[0], p[1], p[2]};
}

// A display with a cleared pixel buffer and no window, as drawing code sees it.
inline std::unique_ptr<Display> makeDisplay() {
    auto display = std::make_unique<Display>();
    display->pixelBuffer.allocate();
    display->pixelBuffer.clear();
    return display;
}

// Counts the pixels of the rectangle that hold the colour, and those outside it that do.
struct RegionCount {
    int64_t inside = 0;
    int64_t outside = 0;
};

inline RegionCount countColor(const PixelBuffer& buffer, Rgb color, int32_t x1, int32_t y1,
                              int32_t x2, int32_t y2) {
    RegionCount count;
    for (int32_t y = 0; y < buffer.height; ++y) {
        for (int32_t x = 0; x < buffer.width; ++x) {
            if (!(pixel(buffer, x, y) == color)) continue;
            const bool in = x >= x1 && x <= x2 && y >= y1 && y <= y2;
            (in ? count.inside : count.outside)++;
        }
    }
    return count;
}
