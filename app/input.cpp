#include "app/input.h"

namespace {

void appendCharacter(InputState& input, char c) {
    // The last byte stays for the terminating NUL; further characters are ignored.
    if (input.textLength >= int32_t(sizeof input.text) - 1) return;
    input.text[input.textLength] = c;
    ++input.textLength;
    input.text[input.textLength] = '\0';
    input.textChanged = true;
}

void removeCharacter(InputState& input) {
    if (input.textLength <= 0) return;
    --input.textLength;
    input.text[input.textLength] = '\0';
    input.textChanged = true;
}

void translateKey(SDL_Keycode key, InputState& input) {
    if (key >= SDLK_0 && key <= SDLK_9) return appendCharacter(input, char('0' + (key - SDLK_0)));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return appendCharacter(input, char('1' + (key - SDLK_KP_1)));
    }
    switch (key) {
        case SDLK_ESCAPE:
        case SDLK_q:
            input.quit = true;
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            input.toggleEdit = true;
            break;
        case SDLK_r:
            input.resetParameters = true;
            break;
        case SDLK_s:
            input.fileStep = -1;
            break;
        case SDLK_d:
            input.fileStep = 1;
            break;
        case SDLK_k:
        case SDLK_UP:
            input.parameterStep = -1;
            break;
        case SDLK_j:
        case SDLK_DOWN:
            input.parameterStep = 1;
            break;
        case SDLK_h:
        case SDLK_LEFT:
            input.valueStep = -1;
            break;
        case SDLK_l:
        case SDLK_RIGHT:
            input.valueStep = 1;
            break;
        case SDLK_RIGHTBRACKET:
            input.scaleStep = 1;
            break;
        case SDLK_LEFTBRACKET:
        case SDLK_KP_DIVIDE:
            input.scaleStep = -1;
            break;
        case SDLK_KP_0:
            appendCharacter(input, '0');
            break;
        case SDLK_MINUS:
        case SDLK_KP_MINUS:
            appendCharacter(input, '-');
            break;
        case SDLK_BACKSPACE:
            removeCharacter(input);
            break;
        default:
            break;  // unbound keys still end the wait
    }
}

}  // namespace

void InputState::clearRequests() {
    resetParameters = false;
    quit = false;
    toggleEdit = false;
    fileStep = 0;
    parameterStep = 0;
    valueStep = 0;
    scaleStep = 0;
    textChanged = false;
}

bool translateEvent(const SDL_Event& event, InputState& input) {
    switch (event.type) {
        case SDL_QUIT:
            input.quit = true;
            return true;
        case SDL_KEYDOWN:
            // A held key acts once; its repeats end the wait but ask for nothing.
            if (event.key.repeat == 0) translateKey(event.key.keysym.sym, input);
            return true;
        default:
            return false;
    }
}

bool waitForInput(InputState& input) {
    input.clearRequests();
    SDL_Event event;
    for (;;) {
        if (SDL_WaitEvent(&event) == 0) {
            // A wait that keeps failing would otherwise spin the loop at full speed.
            SDL_Delay(1);
            return false;
        }
        if (translateEvent(event, input)) return true;
    }
}
