#include "display/bitmap_font.h"

#include <cstdarg>
#include <cstdio>

#include "display/display.h"

void BitmapFont::drawGlyph(Display& display, int32_t x, int32_t y, int32_t code) const {
    if (glyphsPerRow <= 0 || glyphHeight <= 0 || glyphWidth <= 0) return;
    PixelBuffer& buffer = display.pixelBuffer;
    const int32_t glyph = code & 0xFF;
    const int32_t cellColumn = glyph % glyphsPerRow;
    const int32_t cellRow = glyph / glyphsPerRow;
    const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
    // 64-bit positions: a glyph far outside the picture must not overflow x + j.
    for (int32_t i = 0; i < glyphHeight; ++i) {
        const int64_t targetY = int64_t(y) + i;
        if (targetY < 0 || targetY > buffer.height - 1) continue;
        const uint8_t* sourceRow =
            pixels + size_t(surface->pitch) * size_t(cellRow * glyphHeight + i);
        for (int32_t j = 0; j < glyphWidth; ++j) {
            const int64_t targetX = int64_t(x) + j;
            if (targetX < 0 || targetX > buffer.width - 1) continue;
            const uint8_t* source = sourceRow + 3 * size_t(cellColumn * glyphWidth + j);
            const uint8_t blue = source[0], green = source[1], red = source[2];
            if (colorKeyEnabled && red == colorKey[0] && green == colorKey[1] &&
                blue == colorKey[2]) {
                continue;
            }
            uint8_t* target = buffer.pixelAt(int32_t(targetX), int32_t(targetY));
            target[0] = uint8_t(int32_t(float(red) * color.r));
            target[1] = uint8_t(int32_t(float(green) * color.g));
            target[2] = uint8_t(int32_t(float(blue) * color.b));
        }
    }
}

void BitmapFont::drawText(Display& display, int32_t x, int32_t y, std::string text) const {
    for (size_t i = 0; i < text.size(); ++i) {
        const int64_t glyphX = int64_t(x) + int64_t(i) * glyphWidth;
        if (glyphX > display.pixelBuffer.width - 1) break;  // the rest is clipped away anyway
        drawGlyph(display, int32_t(glyphX), y, static_cast<unsigned char>(text[i]));
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
