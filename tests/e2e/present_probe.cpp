// Shows a known pattern through the real display code, then waits for q or a close.
#include <SDL.h>

#include <memory>

#include "display/display.h"
#include "support/probe_pattern.h"

int main(int, char**) {
    SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    auto display = std::make_unique<Display>();
    display->create();
    drawProbePattern(display->pixelBuffer);
    display->present();
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
