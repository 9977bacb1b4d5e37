// Glyph and text drawing at arbitrary positions and codes, and line formatting.
// Input: x, y, code (32-bit each), a flags byte, then the text.
#include <SDL.h>

#include <cstring>
#include <memory>
#include <string>

#include "display/bitmap_font.h"
#include "display/display.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<Display> display;
    static SDL_Surface* surface = nullptr;
    if (!display) {
        display = std::make_unique<Display>();
        display->pixelBuffer.allocate();
        surface = SDL_CreateRGBSurfaceWithFormat(0, 128, 128, 24, SDL_PIXELFORMAT_BGR24);
        auto* pixels = static_cast<uint8_t*>(surface->pixels);
        for (int i = 0; i < surface->pitch * 128; ++i) pixels[i] = uint8_t(i * 7);
    }
    if (size < 13) return 0;
    int32_t x, y, code;
    std::memcpy(&x, data, 4);
    std::memcpy(&y, data + 4, 4);
    std::memcpy(&code, data + 8, 4);
    const uint8_t flags = data[12];
    const std::string text(reinterpret_cast<const char*>(data + 13), size - 13);

    BitmapFont font;
    font.surface = surface;
    font.glyphsPerRow = 16;
    font.colorKeyEnabled = flags & 1;
    font.color = flags & 2 ? TextColor{0.5f, 0.5f, 1.0f} : TextColor{1.0f, 1.0f, 1.0f};
    font.drawGlyph(*display, x, y, code);
    font.drawText(*display, x, y, text);

    LineBuffer line;
    formatText(line, "> %s %s_", text.c_str(), text.c_str());
    font.drawText(*display, y, x, line);
    font.surface = nullptr;  // the surface serves every input; the font only borrowed it
    return 0;
}
