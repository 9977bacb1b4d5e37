#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

struct Display;

// Multipliers applied to the red, green and blue byte of every glyph pixel.
struct TextColor {
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
};

// 256 glyph cells of 8 x 8 pixels in character-code order, read from a locked
// 24-bit surface (bytes B, G, R). The font owns its surface and frees it once.
struct BitmapFont {
    SDL_Surface* surface = nullptr;
    int32_t glyphWidth = 8;
    int32_t glyphHeight = 8;
    int32_t glyphsPerRow = 0;
    TextColor color;
    uint8_t colorKey[3] = {255, 0, 255};
    uint8_t colorKeyEnabled = 0;

    BitmapFont() = default;
    ~BitmapFont() { SDL_FreeSurface(surface); }
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    void drawGlyph(Display& display, int32_t x, int32_t y, int32_t code) const;
    void drawText(Display& display, int32_t x, int32_t y, std::string text) const;

    // The 256 glyphs with a colour applied, glyph after glyph, each glyphHeight rows of
    // glyphWidth pixels in the picture's byte order: text in that colour is then drawn by
    // copying rows. Made for the font as it is when asked; a change of surface, cell size
    // or colour makes new ones, but the surface's pixels must not change under them.
    struct ColoredGlyphs {
        const SDL_Surface* surface = nullptr;
        int32_t glyphWidth = 0;
        int32_t glyphHeight = 0;
        int32_t glyphsPerRow = 0;
        TextColor color;
        std::vector<uint8_t> rgb;
    };
    // The overlay's two colours alternate, so two are kept.
    mutable ColoredGlyphs colored[2];
    mutable int32_t nextColored = 0;
};

// Why a surface cannot serve as the font, or nullptr when it can. Glyph reads never
// test their cell against the surface, so anything refused here would read outside it.
const char* fontLayoutProblem(const SDL_Surface* surface);

// Why a BMP file's header rules it out as the font, or nullptr. SDL allocates the whole
// picture a header claims before it reads a pixel, so this runs first: a font of 8 x 8
// cells never needs more than kMaxFontSide pixels on a side, nor anything but 24 bits.
inline constexpr int32_t kMaxFontSide = 4096;
const char* fontHeaderProblem(const uint8_t* data, size_t size);

// Opens and checks the font bitmap, without ever blocking on what is not a regular file, locks it
// and fills the font's surface fields. On failure it logs the reason naming the file and returns
// false.
bool loadFont(BitmapFont& font, const char* path);

// printf-style formatting into a 256-byte line buffer, truncated to fit. Returns the
// number of characters stored (without the zero byte), or -1 if formatting fails.
using LineBuffer = char[256];
int formatText(LineBuffer& buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
