// Arbitrary event sequences through key translation and the application of requests,
// over a small sample directory, with a redraw now and then.
// Input: pairs of bytes, an event kind and a key.
#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/application.h"

namespace {

const SDL_Keycode kKeys[] = {SDLK_ESCAPE,      SDLK_q,           SDLK_RETURN,    SDLK_KP_ENTER,
                             SDLK_r,           SDLK_s,           SDLK_d,         SDLK_k,
                             SDLK_UP,          SDLK_j,           SDLK_DOWN,      SDLK_h,
                             SDLK_LEFT,        SDLK_l,           SDLK_RIGHT,     SDLK_RIGHTBRACKET,
                             SDLK_LEFTBRACKET, SDLK_KP_DIVIDE,   SDLK_0,         SDLK_1,
                             SDLK_5,           SDLK_9,           SDLK_KP_0,      SDLK_KP_3,
                             SDLK_MINUS,       SDLK_KP_MINUS,    SDLK_BACKSPACE, SDLK_a,
                             SDLK_F1,          SDLK_KP_MULTIPLY, SDLK_LSHIFT};

std::unique_ptr<Application> startApplication() {
    // A sample directory of its own: files of several sizes and an entry that is refused.
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(pattern.data());
    std::filesystem::create_directories(dir / "examples" / "sub");
    for (int size : {0, 1, 7, 256, 5000}) {
        std::ofstream out(dir / "examples" / ("s" + std::to_string(size)), std::ios::binary);
        for (int i = 0; i < size; ++i) out.put(char(i * 31));
    }
    std::filesystem::current_path(dir);
    SDL_LogSetOutputFunction([](void*, int, SDL_LogPriority, const char*) {}, nullptr);
    auto app = std::make_unique<Application>();
    app->resetState();
    app->display.pixelBuffer.allocate();
    app->scanSamples();
    return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<Application> app = startApplication();
    app->resetState();
    int redraws = 0;
    for (size_t i = 0; i + 1 < size && !app->quitRequested; i += 2) {
        SDL_Event event{};
        const uint8_t kind = data[i], key = data[i + 1];
        if (kind < 200) {
            event.type = SDL_KEYDOWN;
            event.key.repeat = kind % 17 == 0;
            event.key.keysym.sym =
                key < 248 ? kKeys[key % std::size(kKeys)] : SDL_Keycode(key) << 20;
        } else if (kind < 220) {
            event.type = SDL_KEYUP;
        } else if (kind < 224) {
            event.type = SDL_QUIT;
        } else {
            event.type = SDL_MOUSEMOTION;
        }
        app->input.clearRequests();
        if (!translateEvent(event, app->input)) continue;
        app->applyInput();
        if (app->input.textLength < 0 || app->input.textLength > 63 ||
            app->input.text[app->input.textLength] != '\0' || app->selectedParameter < 0 ||
            app->selectedParameter >= int32_t(app->parameters.size()) || app->selectedFile < 0 ||
            app->selectedFile >= app->fileCount) {
            std::abort();
        }
        // Redrawing is what costs; a few per input still reach every drawing path.
        if (app->needsRedraw && (redraws < 2 || i + 3 >= size)) {
            app->drawPicture();
            ++redraws;
        }
        app->needsRedraw = false;
    }
    return 0;
}
