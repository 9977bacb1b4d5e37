#include "display/bitmap_font.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "display/display.h"
#include "samples/regular_file.h"

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

namespace {

// Little-endian fields of the header; bytes past the end of the file read as 0, as SDL
// reads them.
uint32_t headerField(const uint8_t* data, size_t size, size_t at, size_t width) {
    uint32_t value = 0;
    if (at + width > size) return 0;
    for (size_t i = 0; i < width; ++i) value |= uint32_t(data[at + i]) << (8 * i);
    return value;
}

bool refuseUnreadable(const char* path, const char* reason) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to open surface: %s\n", path);
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path, reason);
    return false;
}

bool refuseUnusable(const char* path, const char* problem) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to use font bitmap %s: %s\n", path, problem);
    return false;
}

}  // namespace

const char* fontHeaderProblem(const uint8_t* data, size_t size) {
    // File header of 14 bytes, then the bitmap header: its size tells the old 12-byte form
    // (16-bit sides) from the later ones (32-bit sides, a negative height meaning top-down).
    const uint32_t headerSize = headerField(data, size, 14, 4);
    int64_t width, height, bitsPerPixel;
    if (headerSize == 12) {
        width = headerField(data, size, 18, 2);
        height = headerField(data, size, 20, 2);
        bitsPerPixel = headerField(data, size, 24, 2);
    } else {
        width = int32_t(headerField(data, size, 18, 4));
        height = int32_t(headerField(data, size, 22, 4));
        bitsPerPixel = headerField(data, size, 28, 2);
    }
    if (width > kMaxFontSide || width < -kMaxFontSide || height > kMaxFontSide ||
        height < -kMaxFontSide) {
        return "it is larger than 4096 x 4096 pixels";
    }
    if (bitsPerPixel != 24) return "it is not 24 bits per pixel";
    return nullptr;
}

bool loadFont(BitmapFont& font, const char* path) {
    RegularFile file;
    if (!file.open(path)) return refuseUnreadable(path, file.reason().c_str());
    // The largest font bitmap the header check lets through, with room for its headers.
    constexpr int64_t kMaxFileBytes = int64_t(kMaxFontSide) * kMaxFontSide * 3 + (1 << 20);
    if (file.size() > kMaxFileBytes) {
        return refuseUnusable(path, "it is larger than 4096 x 4096 pixels");
    }
    std::vector<uint8_t> data(size_t(file.size()));
    if (file.readAt(0, data.data(), file.size()) != file.size()) {
        return refuseUnreadable(path,
                                file.reason().empty() ? "it ended early" : file.reason().c_str());
    }
    if (const char* problem = fontHeaderProblem(data.data(), data.size())) {
        return refuseUnusable(path, problem);
    }
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(data.data(), int(data.size())), 1);
    if (!surface) return refuseUnreadable(path, SDL_GetError());
    if (const char* problem = fontLayoutProblem(surface)) {
        SDL_FreeSurface(surface);
        return refuseUnusable(path, problem);
    }
    SDL_LockSurface(surface);
    SDL_FreeSurface(font.surface);
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
