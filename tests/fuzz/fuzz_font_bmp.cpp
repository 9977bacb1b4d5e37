// Arbitrary bytes as the font bitmap: SDL's BMP decoder, then the layout check; whatever
// passes the check has every glyph drawn, so a cell read outside the bitmap shows up.
#include <SDL.h>

#include <cstring>
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
    // Headers that claim huge pictures only make SDL allocate gigabytes; skip them.
    if (size >= 26) {
        int32_t w, h;
        std::memcpy(&w, data + 18, 4);
        std::memcpy(&h, data + 22, 4);
        if (w < -4096 || w > 4096 || h < -4096 || h > 4096) return 0;
    }
    SDL_Surface* surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, int(size)), 1);
    if (!surface) return 0;
    if (!fontLayoutProblem(surface)) {
        SDL_LockSurface(surface);
        BitmapFont font;
        font.surface = surface;
        font.glyphsPerRow = surface->w / 8;
        for (int code = 0; code < 256; ++code)
            font.drawGlyph(*display, (code % 64) * 8, (code / 64) * 8, code);
        SDL_UnlockSurface(surface);
    }
    SDL_FreeSurface(surface);
    return 0;
}
