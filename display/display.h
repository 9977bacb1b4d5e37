#pragma once
#include <SDL.h>

#include <cstdint>
#include <memory>

#include "display/pixel_buffer.h"

// Everything that puts the picture on the screen. The GL-side operations live in
// display_gl.cpp, which only the program links; the fields are plain data so that
// drawing code and its tests can use a Display without a window.
struct Display {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    uint32_t program = 0;
    uint32_t texture = 0;
    int32_t fontUniform = -1;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    PixelBuffer pixelBuffer;
    // The buffer as the texture holds it since the last present, so that a present uploads
    // only the rows that changed; none before the first present, which uploads everything.
    std::unique_ptr<uint8_t[]> uploaded;

    // Opens the window and makes everything the picture needs; false, with the reason
    // logged and SDL's window side left for the caller to shut down, when there is no
    // usable OpenGL context.
    bool create();
    bool buildShaderProgram();
    void present();
    void uploadChangedRows();
};
