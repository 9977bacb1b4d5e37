#pragma once
#include <SDL.h>

#include <cstdint>

// The requests of one accepted event, and the typed text that lives on between events.
struct InputState {
    bool resetParameters = false;
    bool quit = false;
    bool toggleEdit = false;
    int32_t fileStep = 0;
    int32_t parameterStep = 0;
    int32_t valueStep = 0;
    int32_t scaleStep = 0;
    char text[64] = {};
    int32_t textLength = 0;
    // The event changed the typed text, so an edit line on screen is out of date.
    bool textChanged = false;

    void clearRequests();
};

// Blocks until one event is accepted; false (with every request clear) if waiting fails.
bool waitForInput(InputState& input);

// Whether the event ends the wait; accepted events leave their requests in input.
bool translateEvent(const SDL_Event& event, InputState& input);
