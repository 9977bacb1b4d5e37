#include "display/pixel_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "display/small_copy.h"

bool PixelBuffer::allocate() {
    storage.reset(new (std::nothrow) uint8_t[kBytes]);
    data = storage.get();
    width = data ? kWidth : 0;
    height = data ? kHeight : 0;
    return data != nullptr;
}

void PixelBuffer::clear() const {
    if (data) std::memset(data, 0, size_t(width) * size_t(height) * 3);
}

void PixelBuffer::clearOutside(const PixelRect& kept) const {
    if (kept.empty()) return clear();
    if (!data) return;
    // Lines further down the picture lie earlier in memory: below the rectangle, then each
    // of its lines from its right edge to the next one's left edge, then above it.
    const size_t stride = size_t(width) * 3;
    uint8_t* bottomLine = pixelAt(0, kept.bottom);
    std::memset(data, 0, size_t(bottomLine - data));
    const size_t kept3 = size_t(kept.right - kept.left + 1) * 3;
    uint8_t* gap = bottomLine;
    std::memset(gap, 0, size_t(kept.left) * 3);
    for (int32_t y = kept.bottom; y >= kept.top; --y, gap += stride) {
        // From the rectangle's right edge on this line to its left edge on the line above.
        uint8_t* from = gap + size_t(kept.left) * 3 + kept3;
        const size_t upTo = y > kept.top ? stride + size_t(kept.left) * 3 : stride;
        std::memset(from, 0, size_t(gap + upTo - from));
    }
    uint8_t* aboveStart = pixelAt(0, kept.top) + stride;
    std::memset(aboveStart, 0, size_t(data + stride * size_t(height) - aboveStart));
}

void FillColor::fillRect(PixelBuffer& buffer, int32_t x1, int32_t y1, int32_t x2,
                         int32_t y2) const {
    if (y1 > y2 || x1 > x2) return;
    // Clip once, up front, so the loops below need no per-pixel test.
    const int32_t left = std::max(x1, int32_t(0));
    const int32_t right = std::min(x2, buffer.width - 1);
    const int32_t top = std::max(y1, int32_t(0));
    const int32_t bottom = std::min(y2, buffer.height - 1);
    if (left > right || top > bottom) return;

    const uint8_t rgb[3] = {uint8_t(r & 0xFF), uint8_t(g & 0xFF), uint8_t(b & 0xFF)};
    const size_t rowBytes = size_t(right - left + 1) * 3;
    uint8_t* first = buffer.pixelAt(left, top);
    // A few pixels one by one, then the row doubled from what is written: long bars (the
    // grid's) would otherwise cost three stores a pixel.
    size_t written = std::min<size_t>(rowBytes, 48);
    for (size_t i = 0; i < written; i += 3) {
        first[i] = rgb[0];
        first[i + 1] = rgb[1];
        first[i + 2] = rgb[2];
    }
    while (written < rowBytes) {
        const size_t n = std::min(written, rowBytes - written);
        std::memcpy(first + written, first, n);
        written += n;
    }
    // Lines further down the picture lie earlier in memory.
    const size_t stride = size_t(buffer.width) * 3;
    uint8_t* row = first;
    for (int32_t y = top + 1; y <= bottom; ++y) {
        row -= stride;
        copyRun(row, first, rowBytes);
    }
}
