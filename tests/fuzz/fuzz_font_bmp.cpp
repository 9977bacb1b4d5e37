// Arbitrary bytes as the font bitmap: the header check, SDL's BMP decoder, then the layout
// check, as the viewer loads its font; whatever passes has every glyph drawn, so a cell read
// outside the bitmap shows up.
#include <SDL.h>

#include <memory>

#include "display/bitmap_font.h"
#include "display/display.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<Display> display;
    if (!display) {
        display = std::make_unique<Display>();
        display->pixelBuffer.allocate();
        SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
    }
    if (fontHeaderProblem(data, size)) return 0;
    BitmapFont font;
    font.surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, int(size)), 1);
    if (!font.surface || fontLayoutProblem(font.surface)) return 0;
    SDL_LockSurface(font.surface);
    font.glyphsPerRow = font.surface->w / 8;
    for (int code = 0; code < 256; ++code)
        font.drawGlyph(*display, (code % 64) * 8, (code / 64) * 8, code);
    return 0;
}
