#include "cli/window_picture.h"

#include <SDL.h>

#include <cstring>
#include <memory>

#include "app/application.h"

namespace {

// The font reports through SDL's log; its last message is the one that names the reason.
void keepLastMessage(void* last, int, SDL_LogPriority, const char* message) {
    *static_cast<std::string*>(last) = message;
}

}  // namespace

bool renderWindow(const WindowScene& scene, const std::string& fontPath, Picture& picture,
                  std::string& reason) {
    auto app = std::make_unique<Application>();  // it holds the whole picture
    app->resetState();
    if (!app->display.pixelBuffer.allocate()) {
        reason = "no memory for the picture";
        return false;
    }
    std::string lastMessage;
    SDL_LogOutputFunction previous = nullptr;
    void* previousData = nullptr;
    SDL_LogGetOutputFunction(&previous, &previousData);
    SDL_LogSetOutputFunction(keepLastMessage, &lastMessage);
    const bool fontLoaded = loadFont(app->font, fontPath.c_str());
    SDL_LogSetOutputFunction(previous, previousData);
    if (!fontLoaded) {
        while (!lastMessage.empty() && lastMessage.back() == '\n') lastMessage.pop_back();
        reason = lastMessage;
        return false;
    }

    app->catalogue.directory = kSampleDirectory;
    app->catalogue.entries = {(app->catalogue.directory / scene.fileName).string()};
    app->fileCount = 1;
    app->selectedFile = 0;
    const int64_t size = int64_t(scene.bytes.size());
    app->sample.bytes.reset(new uint8_t[scene.bytes.empty() ? 1 : scene.bytes.size()]);
    if (size > 0) std::memcpy(app->sample.bytes.get(), scene.bytes.data(), scene.bytes.size());
    app->sample.size = app->sample.capacity = size;
    app->checksum = byteSum(scene.bytes.data(), app->sample.count());
    app->parameters = scene.parameters;
    app->frameCounter = scene.frame;
    app->drawPicture();

    // The pixel buffer keeps its bottom line first; a PNG wants the top one first.
    const PixelBuffer& buffer = app->display.pixelBuffer;
    picture = Picture(buffer.width, buffer.height, 3);
    for (int32_t y = 0; y < buffer.height; ++y) {
        std::memcpy(picture.row(y), buffer.pixelAt(0, y), size_t(buffer.width) * 3);
    }
    return true;
}
