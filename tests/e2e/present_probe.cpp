// Shows a known pattern through the real display code, then waits for q or a close.
// With QUORVANE_PROBE_PARTIAL set it draws pictures that differ in bands, presents each and
// reads the texture back: it must equal the buffer (exit status 0) although only the bands
// were sent.
#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "display/display.h"
#include "support/probe_pattern.h"

namespace {

bool textureEqualsBuffer(const Display& display) {
    const PixelBuffer& buffer = display.pixelBuffer;
    std::vector<uint8_t> texture(PixelBuffer::kBytes);
    glBindTexture(GL_TEXTURE_2D, display.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texture.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return std::memcmp(texture.data(), buffer.data, PixelBuffer::kBytes) == 0;
}

}  // namespace

int main(int, char**) {
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    auto display = std::make_unique<Display>();
    if (!display->create()) return 2;
    drawProbePattern(display->pixelBuffer);
    display->present();
    if (std::getenv("QUORVANE_PROBE_PARTIAL")) {
        // Each picture is drawn whole after beginFrame, as the viewer draws them.
        auto drawChanged = [](Display& d) {
            drawProbePattern(d.pixelBuffer);
            FillColor{9, 99, 199}.fillRect(d.pixelBuffer, 300, 400, 700, 430);
            FillColor{1, 2, 3}.fillRect(d.pixelBuffer, 5, 990, 6, 990);
        };
        const bool first = textureEqualsBuffer(*display);
        display->beginFrame();
        drawChanged(*display);
        display->present();
        const bool second = textureEqualsBuffer(*display);
        display->beginFrame();
        drawChanged(*display);
        display->present();  // nothing changed: nothing to send
        const bool third = textureEqualsBuffer(*display);
        // Two beginnings without a present between them: the second must not take the
        // picture just drawn, the same as the one then presented, for what the texture holds.
        display->beginFrame();
        drawProbePattern(display->pixelBuffer);
        display->beginFrame();
        drawProbePattern(display->pixelBuffer);
        display->present();
        const bool fourth = textureEqualsBuffer(*display);
        std::printf("first %d, after a change %d, unchanged %d, begun twice %d\n", first, second,
                    third, fourth);
        std::fflush(stdout);
        SDL_DestroyRenderer(display->renderer);
        SDL_DestroyWindow(display->window);
        SDL_Quit();
        return first && second && third && fourth ? 0 : 1;
    }
    SDL_Event event;
    while (SDL_WaitEvent(&event)) {
        if (event.type == SDL_QUIT) break;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_q) break;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            display->present();
        }
    }
    SDL_DestroyRenderer(display->renderer);
    SDL_DestroyWindow(display->window);
    SDL_Quit();
    return 0;
}
