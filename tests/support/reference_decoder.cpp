#include "support/reference_decoder.h"

#include <algorithm>
#include <limits>

namespace {

void fill(FillColor& color, Display& display, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    auto clamp = [](int64_t v) {
        return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
    };
    color.fillRect(display, clamp(x1), clamp(y1), clamp(x2), clamp(y2));
}

}  // namespace

void decodeTilesReference(FillColor& fillColor, Display& display, const uint8_t* bytes,
                          int32_t length, const ParameterList& parameters) {
    if (length == 0) return;
    const int64_t offset = parameters.get("offset");
    const int64_t yDelta = parameters.get("y_delta");
    const int64_t xDelta = parameters.get("x_delta");
    const int64_t tileSize = parameters.get("tile_size");
    const int64_t tileDelta = parameters.get("tile_delta");
    const int64_t bitplanes = parameters.get("bitplanes");
    const int64_t bitplaneDelta = parameters.get("bitplane_delta");
    const int64_t g4 = parameters.get("offset_bit4to7");
    const int64_t g8 = parameters.get("offset_bit8to11");
    const int64_t g12 = parameters.get("offset_bit12to15");
    const int64_t scale = parameters.get("scale");

    const int64_t s = scale < 1 ? 1 : scale;
    const int64_t pitch = (tileSize + 1) * s;
    if (pitch == 0) return;
    const int64_t cols = 1784 / pitch;
    const int64_t rows = 772 / pitch;

    fillColor = FillColor{0, 0, 255};
    if (cols >= 0) {
        for (int64_t i = 0; i <= cols; ++i) {
            fill(fillColor, display, 1 + i * pitch, 220 - s, i * pitch + s, 219 + rows * pitch);
        }
    }
    if (rows >= 0) {
        for (int64_t j = 0; j <= rows; ++j) {
            fill(fillColor, display, 1, 220 - s + j * pitch, cols * pitch + s, 219 + j * pitch);
        }
    }
    if (rows <= 0 || cols <= 0) return;

    const int64_t bits = 8 * int64_t(length);
    for (int64_t ty = 0; ty < rows; ++ty) {
        for (int64_t tx = 0; tx < cols; ++tx) {
            const int64_t n = ty * cols + tx;
            const int64_t ox = 1 + s + tx * pitch;
            const int64_t oy = 220 + ty * pitch;
            for (int64_t py = 0; py < tileSize; ++py) {
                for (int64_t px = 0; px < tileSize; ++px) {
                    int64_t group = 0;
                    if (px >= 4 && px <= 7) group = g4;
                    if (px >= 8 && px <= 11) group = g8;
                    if (px >= 12 && px <= 15) group = g12;
                    int32_t g = 0;
                    // Planes from the ninth on add nothing; reading them would only cost time.
                    for (int64_t p = 0; p < std::min<int64_t>(bitplanes, 8); ++p) {
                        const int64_t a = offset + n * tileDelta + py * yDelta + px * xDelta +
                                          p * bitplaneDelta + group;
                        int64_t w = a % bits;
                        if (w < 0) w += bits;
                        const int b = (bytes[w / 8] >> (w % 8)) & 1;
                        g += b << (7 - p);
                    }
                    fillColor = FillColor{g, g, g};
                    fill(fillColor, display, ox + px * s, oy + py * s, ox + px * s + s - 1,
                         oy + py * s + s - 1);
                }
            }
        }
    }
}
