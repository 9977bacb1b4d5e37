#include "display/bitmap_font.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "display/display.h"

namespace {

// What each source byte value becomes under the text colour: the product in single
// precision, truncated toward zero, low 8 bits kept. Worked out once per call rather
// than three times per glyph pixel.
struct ColorTables {
    uint8_t red[256], green[256], blue[256];
    explicit ColorTables(const TextColor& color) {
        for (int v = 0; v < 256; ++v) {
            red[v] = uint8_t(int32_t(float(v) * color.r));
            green[v] = uint8_t(int32_t(float(v) * color.g));
            blue[v] = uint8_t(int32_t(float(v) * color.b));
        }
    }
};

void drawGlyphWith(const BitmapFont& font, const ColorTables& tables, PixelBuffer& buffer,
                   int32_t x, int32_t y, int32_t code) {
    if (font.glyphsPerRow <= 0 || font.glyphHeight <= 0 || font.glyphWidth <= 0) return;
    // The part of the cell inside the picture; 64-bit so far-off positions cannot overflow.
    const int64_t firstColumn = std::max<int64_t>(0, -int64_t(x));
    const int64_t endColumn = std::min<int64_t>(font.glyphWidth, int64_t(buffer.width) - x);
    const int64_t firstRow = std::max<int64_t>(0, -int64_t(y));
    const int64_t endRow = std::min<int64_t>(font.glyphHeight, int64_t(buffer.height) - y);
    if (firstColumn >= endColumn || firstRow >= endRow) return;

    const int32_t glyph = code & 0xFF;
    const int32_t cellColumn = glyph % font.glyphsPerRow;
    const int32_t cellRow = glyph / font.glyphsPerRow;
    const auto* pixels = static_cast<const uint8_t*>(font.surface->pixels);
    const SDL_Surface& surface = *font.surface;
    for (int64_t i = firstRow; i < endRow; ++i) {
        const uint8_t* source = pixels +
                                size_t(surface.pitch) * size_t(cellRow * font.glyphHeight + i) +
                                3 * size_t(cellColumn * font.glyphWidth + firstColumn);
        uint8_t* target = buffer.pixelAt(int32_t(x + firstColumn), int32_t(y + i));
        for (int64_t j = firstColumn; j < endColumn; ++j, source += 3, target += 3) {
            const uint8_t blue = source[0], green = source[1], red = source[2];
            if (font.colorKeyEnabled && red == font.colorKey[0] && green == font.colorKey[1] &&
                blue == font.colorKey[2]) {
                continue;
            }
            target[0] = tables.red[red];
            target[1] = tables.green[green];
            target[2] = tables.blue[blue];
        }
    }
}

}  // namespace

void BitmapFont::drawGlyph(Display& display, int32_t x, int32_t y, int32_t code) const {
    drawGlyphWith(*this, ColorTables(color), display.pixelBuffer, x, y, code);
}

void BitmapFont::drawText(Display& display, int32_t x, int32_t y, std::string text) const {
    const ColorTables tables(color);
    for (size_t i = 0; i < text.size(); ++i) {
        const int64_t glyphX = int64_t(x) + int64_t(i) * glyphWidth;
        if (glyphX > display.pixelBuffer.width - 1) break;  // the rest is clipped away anyway
        drawGlyphWith(*this, tables, display.pixelBuffer, int32_t(glyphX), y,
                      static_cast<unsigned char>(text[i]));
    }
}

const char* fontLayoutProblem(const SDL_Surface* surface) {
    if (!surface || !surface->format || !surface->pixels) return "it holds no pixels";
    if (surface->format->BytesPerPixel != 3 || surface->format->BitsPerPixel != 24) {
        return "it is not 24 bits per pixel";
    }
    if (surface->w < 8) return "it is narrower than 8 pixels";
    const int perRow = surface->w / 8;
    const int cellRows = (256 + perRow - 1) / perRow;
    if (surface->h < 8 * cellRows) return "it holds fewer than 256 glyph cells of 8 x 8 pixels";
    if (surface->pitch < 3 * surface->w) return "its rows are shorter than its width";
    return nullptr;
}

bool loadFont(BitmapFont& font, const char* path) {
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromFile(path, "rb"), 1);
    if (!surface) {
        const char* reason = SDL_GetError();
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to open surface: %s\n", path);
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path, reason);
        return false;
    }
    if (const char* problem = fontLayoutProblem(surface)) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to use font bitmap %s: %s\n", path,
                     problem);
        SDL_FreeSurface(surface);
        return false;
    }
    SDL_LockSurface(surface);
    font.surface = surface;
    font.glyphWidth = 8;
    font.glyphHeight = 8;
    font.glyphsPerRow = surface->w / 8;
    return true;
}

int formatText(LineBuffer& buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return -1;
    }
    return wanted < int(sizeof buffer) ? wanted : int(sizeof buffer) - 1;
}
