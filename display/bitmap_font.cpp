#include "display/bitmap_font.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
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

// The part of a glyph cell at (x, y) that lies inside the picture; 64-bit so far-off
// positions cannot overflow.
struct GlyphClip {
    int64_t firstColumn, endColumn, firstRow, endRow;

    GlyphClip(const BitmapFont& font, const PixelBuffer& buffer, int32_t x, int32_t y)
        : firstColumn(std::max<int64_t>(0, -int64_t(x))),
          endColumn(std::min<int64_t>(font.glyphWidth, int64_t(buffer.width) - x)),
          firstRow(std::max<int64_t>(0, -int64_t(y))),
          endRow(std::min<int64_t>(font.glyphHeight, int64_t(buffer.height) - y)) {}
    bool empty() const { return firstColumn >= endColumn || firstRow >= endRow; }
};

void drawGlyphWith(const BitmapFont& font, const ColorTables& tables, PixelBuffer& buffer,
                   int32_t x, int32_t y, int32_t code) {
    if (font.glyphsPerRow <= 0 || font.glyphHeight <= 0 || font.glyphWidth <= 0) return;
    const GlyphClip clip(font, buffer, x, y);
    if (clip.empty()) return;
    const auto [firstColumn, endColumn, firstRow, endRow] = clip;

    const int32_t glyph = code & 0xFF;
    const int32_t cellColumn = glyph % font.glyphsPerRow;
    const int32_t cellRow = glyph / font.glyphsPerRow;
    const auto* pixels = static_cast<const uint8_t*>(font.surface->pixels);
    const SDL_Surface& surface = *font.surface;
    // Locals, since the byte stores below could otherwise alias the font's fields.
    const bool keyed = font.colorKeyEnabled != 0;
    const uint8_t key[3] = {font.colorKey[0], font.colorKey[1], font.colorKey[2]};
    for (int64_t i = firstRow; i < endRow; ++i) {
        const uint8_t* source = pixels +
                                size_t(surface.pitch) * size_t(cellRow * font.glyphHeight + i) +
                                3 * size_t(cellColumn * font.glyphWidth + firstColumn);
        uint8_t* target = buffer.pixelAt(int32_t(x + firstColumn), int32_t(y + i));
        for (int64_t j = firstColumn; j < endColumn; ++j, source += 3, target += 3) {
            const uint8_t blue = source[0], green = source[1], red = source[2];
            if (keyed && red == key[0] && green == key[1] && blue == key[2]) continue;
            target[0] = tables.red[red];
            target[1] = tables.green[green];
            target[2] = tables.blue[blue];
        }
    }
}

// Glyphs converted ahead are worth their memory only for cells of ordinary size.
constexpr int64_t kMaxColoredBytes = int64_t(1) << 20;

bool sameColor(const TextColor& a, const TextColor& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// The glyphs in the font's colour, made on first use; nullptr when the font has no usable
// cells or they would be too large to keep.
const uint8_t* coloredGlyphs(const BitmapFont& font) {
    if (font.glyphsPerRow <= 0 || font.glyphHeight <= 0 || font.glyphWidth <= 0) return nullptr;
    const int64_t glyphBytes = int64_t(font.glyphWidth) * font.glyphHeight * 3;
    if (glyphBytes * 256 > kMaxColoredBytes) return nullptr;
    // All 256 cells are read ahead, so they must all lie in the surface; a font of fewer
    // cells draws glyph by glyph, reading only the cells asked for.
    const SDL_Surface& surface = *font.surface;
    const int64_t cellRows = (256 + font.glyphsPerRow - 1) / font.glyphsPerRow;
    if (int64_t(surface.w) < int64_t(font.glyphsPerRow) * font.glyphWidth ||
        int64_t(surface.h) < cellRows * font.glyphHeight || surface.pitch < 3 * surface.w) {
        return nullptr;
    }
    for (BitmapFont::ColoredGlyphs& c : font.colored) {
        if (c.surface == font.surface && c.glyphWidth == font.glyphWidth &&
            c.glyphHeight == font.glyphHeight && c.glyphsPerRow == font.glyphsPerRow &&
            sameColor(c.color, font.color) && !c.rgb.empty()) {
            return c.rgb.data();
        }
    }
    BitmapFont::ColoredGlyphs& c = font.colored[font.nextColored];
    font.nextColored = 1 - font.nextColored;
    c = {font.surface, font.glyphWidth, font.glyphHeight, font.glyphsPerRow, font.color, {}};
    c.rgb.resize(size_t(glyphBytes * 256));
    const ColorTables tables(font.color);
    const auto* pixels = static_cast<const uint8_t*>(font.surface->pixels);
    uint8_t* out = c.rgb.data();
    for (int32_t glyph = 0; glyph < 256; ++glyph) {
        const int32_t cellColumn = glyph % font.glyphsPerRow;
        const int32_t cellRow = glyph / font.glyphsPerRow;
        for (int32_t i = 0; i < font.glyphHeight; ++i) {
            const uint8_t* source =
                pixels + size_t(font.surface->pitch) * size_t(cellRow * font.glyphHeight + i) +
                3 * size_t(cellColumn * font.glyphWidth);
            for (int32_t j = 0; j < font.glyphWidth; ++j, source += 3, out += 3) {
                out[0] = tables.red[source[2]];
                out[1] = tables.green[source[1]];
                out[2] = tables.blue[source[0]];
            }
        }
    }
    return c.rgb.data();
}

// A glyph from the converted ones, row by row.
void copyGlyph(const BitmapFont& font, const uint8_t* glyphs, PixelBuffer& buffer, int32_t x,
               int32_t y, int32_t code) {
    const GlyphClip clip(font, buffer, x, y);
    if (clip.empty()) return;
    const auto [firstColumn, endColumn, firstRow, endRow] = clip;
    const size_t rowBytes = size_t(font.glyphWidth) * 3;
    const uint8_t* glyph = glyphs + size_t(code & 0xFF) * rowBytes * size_t(font.glyphHeight);
    for (int64_t i = firstRow; i < endRow; ++i) {
        std::memcpy(buffer.pixelAt(int32_t(x + firstColumn), int32_t(y + i)),
                    glyph + size_t(i) * rowBytes + size_t(firstColumn) * 3,
                    size_t(endColumn - firstColumn) * 3);
    }
}

}  // namespace

void BitmapFont::drawGlyph(Display& display, int32_t x, int32_t y, int32_t code) const {
    drawGlyphWith(*this, ColorTables(color), display.pixelBuffer, x, y, code);
}

void BitmapFont::drawText(Display& display, int32_t x, int32_t y, std::string text) const {
    auto eachGlyph = [&](auto draw) {
        for (size_t i = 0; i < text.size(); ++i) {
            const int64_t glyphX = int64_t(x) + int64_t(i) * glyphWidth;
            if (glyphX > display.pixelBuffer.width - 1) break;  // the rest is clipped away anyway
            draw(int32_t(glyphX), static_cast<unsigned char>(text[i]));
        }
    };
    // A key leaves some pixels as they were, which the converted glyphs cannot say.
    if (const uint8_t* glyphs = colorKeyEnabled ? nullptr : coloredGlyphs(*this)) {
        eachGlyph([&](int32_t glyphX, int32_t code) {
            copyGlyph(*this, glyphs, display.pixelBuffer, glyphX, y, code);
        });
        return;
    }
    const ColorTables tables(color);
    eachGlyph([&](int32_t glyphX, int32_t code) {
        drawGlyphWith(*this, tables, display.pixelBuffer, glyphX, y, code);
    });
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
    // The new surface may lie where the old one did.
    for (BitmapFont::ColoredGlyphs& c : font.colored) c = {};
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
