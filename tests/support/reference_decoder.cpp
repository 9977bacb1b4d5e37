#include "support/reference_decoder.h"

#include <algorithm>
#include <limits>

#include "decode/grid_geometry.h"
#include "decode/tile_layout.h"

namespace {

void fill(const FillColor& color, PixelBuffer& picture, int64_t x1, int64_t y1, int64_t x2,
          int64_t y2) {
    auto clamp = [](int64_t v) {
        return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
    };
    color.fillRect(picture, clamp(x1), clamp(y1), clamp(x2), clamp(y2));
}

}  // namespace

void decodeTilesReference(PixelBuffer& picture, const uint8_t* bytes, int32_t length,
                          const ParameterList& parameters) {
    if (length == 0) return;
    const TileLayout layout = TileLayout::read(parameters);
    const int64_t offset = layout.offset;
    const int64_t yDelta = layout.yDelta;
    const int64_t xDelta = layout.xDelta;
    const int64_t tileSize = layout.tileSize;
    const int64_t tileDelta = layout.tileDelta;
    const int64_t bitplanes = layout.bitplanes;
    const int64_t bitplaneDelta = layout.bitplaneDelta;
    const int64_t g4 = layout.offsetBit4to7;
    const int64_t g8 = layout.offsetBit8to11;
    const int64_t g12 = layout.offsetBit12to15;
    const int64_t scale = parameters.get(parameter::kScale);

    const int64_t s = scale < 1 ? 1 : scale;
    const int64_t pitch = (tileSize + 1) * s;
    if (pitch == 0) return;
    const int64_t left = GridGeometry::kLeft, top = GridGeometry::kTop;
    const int64_t cols = GridGeometry::kAreaWidth / pitch;
    const int64_t rows = GridGeometry::kAreaHeight / pitch;

    FillColor fillColor{0, 0, 255};
    if (cols >= 0) {
        for (int64_t i = 0; i <= cols; ++i) {
            fill(fillColor, picture, left + i * pitch, top - s, i * pitch + s,
                 top - 1 + rows * pitch);
        }
    }
    if (rows >= 0) {
        for (int64_t j = 0; j <= rows; ++j) {
            fill(fillColor, picture, left, top - s + j * pitch, cols * pitch + s,
                 top - 1 + j * pitch);
        }
    }
    if (rows <= 0 || cols <= 0) return;

    const int64_t bits = 8 * int64_t(length);
    for (int64_t ty = 0; ty < rows; ++ty) {
        for (int64_t tx = 0; tx < cols; ++tx) {
            const int64_t n = ty * cols + tx;
            const int64_t ox = left + s + tx * pitch;
            const int64_t oy = top + ty * pitch;
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
                    fill(fillColor, picture, ox + px * s, oy + py * s, ox + px * s + s - 1,
                         oy + py * s + s - 1);
                }
            }
        }
    }
}
