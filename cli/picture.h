#pragma once
#include <cstdint>
#include <vector>

// A picture as PNG takes it: rows top to bottom without gaps, one byte per pixel (grey) or
// three (R, G, B).
struct Picture {
    int64_t width = 0;
    int64_t height = 0;
    int channels = 1;
    std::vector<uint8_t> pixels;

    Picture() = default;
    Picture(int64_t w, int64_t h, int c)
        : width(w), height(h), channels(c), pixels(size_t(w * h * c), 0) {}
    uint8_t* row(int64_t y) { return pixels.data() + size_t(y * width * channels); }
    const uint8_t* row(int64_t y) const { return pixels.data() + size_t(y * width * channels); }
};
