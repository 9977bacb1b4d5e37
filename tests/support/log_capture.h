#pragma once
#include <SDL.h>

#include <string>

// Collects what SDL's log receives while it lives.
struct LogCapture {
    std::string text;
    SDL_LogOutputFunction previous = nullptr;
    void* previousData = nullptr;

    LogCapture() {
        SDL_LogGetOutputFunction(&previous, &previousData);
        SDL_LogSetOutputFunction(
            [](void* self, int, SDL_LogPriority, const char* message) {
                static_cast<LogCapture*>(self)->text += std::string(message) + "\n";
            },
            this);
    }
    ~LogCapture() { SDL_LogSetOutputFunction(previous, previousData); }
    bool mentions(const std::string& part) const { return text.find(part) != std::string::npos; }
};
