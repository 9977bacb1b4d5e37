#include <SDL.h>

#include "app/application.h"

namespace {

// Releases the window side, in reverse order of creation. The device subsystems' threads
// post events that wake the event wait by sending an X event to the window; one of those
// arriving after the window is gone kills the process, so they are stopped first.
void shutDown(Display& display) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_JOYSTICK | SDL_INIT_HAPTIC |
                      SDL_INIT_GAMECONTROLLER | SDL_INIT_TIMER);
    SDL_DestroyRenderer(display.renderer);
    SDL_DestroyWindow(display.window);
    SDL_Quit();
}

}  // namespace

int Application::run() {
    // Set-up: state, SDL, window and context, font, sample list
    resetState();
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK |
             SDL_INIT_HAPTIC | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS);
    if (!display.create()) {  // no window to show the picture in
        shutDown(display);
        return 2;
    }
    if (!loadFont(font, kFontFile)) {
        shutDown(display);
        return 1;
    }
    scanSamples();

    // Loop: redraw when asked, then sleep until the next accepted event
    for (;;) {
        if (needsRedraw) {
            display.beginFrame();
            drawPicture();
            display.present();
        }
        needsRedraw = false;
        waitForInput(input);
        applyInput();
        if (quitRequested) break;
    }

    // Clean-up
    shutDown(display);
    return 0;
}
