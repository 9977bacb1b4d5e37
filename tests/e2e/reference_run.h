#pragma once
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/application.h"
#include "e2e/harness.h"
#include "support/scratch.h"

// The program's own logic run in-process over the same work directory: what the
// window must show after the same keys, frame counter included.
struct ReferenceRun {
    std::filesystem::path directory;
    std::unique_ptr<Application> app = std::make_unique<Application>();

    explicit ReferenceRun(const WorkDirectory& dir) : directory(dir.path) {
        inDirectory([&] {
            app->resetState();
            app->display.pixelBuffer.allocate();
            loadFont(app->font, kFontFile);
            app->scanSamples();
            redrawIfNeeded();
        });
    }
    void press(SDL_Keycode key) { deliver(keyEvent(key)); }
    void deliver(const SDL_Event& event) {
        inDirectory([&] {
            app->input.clearRequests();
            if (translateEvent(event, app->input)) app->applyInput();
            redrawIfNeeded();
        });
    }
    const PixelBuffer& picture() const { return app->display.pixelBuffer; }

private:
    void redrawIfNeeded() {
        if (app->needsRedraw) app->drawPicture();
        app->needsRedraw = false;
    }
    template <typename F>
    void inDirectory(F&& work) {
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        work();
        std::filesystem::current_path(previous);
    }
};
