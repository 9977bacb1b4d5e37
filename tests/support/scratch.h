#pragma once
#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A fresh temporary directory that is also the working directory while it lives.
struct ScratchDirectory {
    std::filesystem::path path;
    std::filesystem::path previous = std::filesystem::current_path();

    ScratchDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-XXXXXX").string();
        path = mkdtemp(pattern.data());
        std::filesystem::current_path(path);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::filesystem::create_directories((path / name).parent_path());
        std::ofstream out(path / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
};

inline SDL_Event keyEvent(SDL_Keycode key, uint8_t repeat = 0) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    return event;
}

inline SDL_Event eventOfType(uint32_t type) {
    SDL_Event event{};
    event.type = type;
    return event;
}
