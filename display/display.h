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
    // The picture presented before the one in pixelBuffer. While previousOnTexture, it is
    // what the texture holds, and a present sends only the rows where pixelBuffer differs
    // from it; the two buffers trade places at each new picture instead of being copied.
    std::unique_ptr<uint8_t[]> previous;
    bool previousOnTexture = false;
    bool presentedSinceBegin = false;

    // Opens the window and makes everything the picture needs; false, with the reason
    // logged and SDL's window side left for the caller to shut down, when there is no
    // usable OpenGL context.
    bool create();
    // Starts a picture that is then drawn whole, every pixel of it: after a present, the
    // presented buffer becomes the previous picture and the other one is drawn into.
    void beginFrame();
    bool buildShaderProgram();
    void present();
    void uploadChangedRows();
};
