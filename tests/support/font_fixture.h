#pragma once
#include <SDL.h>

#include <functional>

#include "display/bitmap_font.h"

// A 24-bit surface in the layout the font expects (bytes B, G, R), filled by a function
// of the pixel position, and a font reading it, which owns the surface.
struct SyntheticFont {
    SDL_Surface* surface;
    BitmapFont font;

    SyntheticFont(int width, int height,
                  const std::function<void(int x, int y, uint8_t* bgr)>& paint)
        : surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 24, SDL_PIXELFORMAT_BGR24)) {
        auto* pixels = static_cast<uint8_t*>(surface->pixels);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) paint(x, y, pixels + y * surface->pitch + 3 * x);
        }
        font.surface = surface;
        font.glyphsPerRow = width / 8;
    }
    SyntheticFont(const SyntheticFont&) = delete;
};
