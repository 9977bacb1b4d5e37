#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// An inclusive rectangle of pixels, y from the top; empty when left > right or top > bottom.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = -1;
    int32_t bottom = -1;

    bool empty() const { return left > right || top > bottom; }
};

// The picture as OpenGL takes it: RGB, rows without gaps, bottom row first.
// Writers pass y from the top and flip it themselves through rowStart().
struct PixelBuffer {
    static constexpr int32_t kWidth = 1800;
    static constexpr int32_t kHeight = 1000;
    static constexpr size_t kBytes = size_t(kWidth) * kHeight * 3;

    std::unique_ptr<uint8_t[]> storage;
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    // Returns false when the memory cannot be had; the buffer then stays empty.
    bool allocate();
    void clear() const;
    // Clears every pixel but those of the rectangle, which must lie inside the picture or be
    // empty: a redraw that paints the rectangle whole need not clear it first.
    void clearOutside(const PixelRect& kept) const;
    // Byte offset of pixel (x, y), y counted from the top of the picture.
    size_t offsetOf(int32_t x, int32_t y) const {
        return 3 * (size_t(height - 1 - y) * size_t(width) + size_t(x));
    }
    uint8_t* pixelAt(int32_t x, int32_t y) const { return data + offsetOf(x, y); }
};

struct Display;

// Colour of the rectangle fill; only the low 8 bits of each component count.
struct FillColor {
    int32_t r = 255;
    int32_t g = 255;
    int32_t b = 255;

    // Fills the inclusive rectangle, clipped to the buffer; parts outside are dropped.
    void fillRect(Display& display, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
    void fillRect(PixelBuffer& buffer, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
};
