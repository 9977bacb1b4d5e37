#include "samples/sample_buffer.h"

#include <SDL.h>

#include <cstring>
#include <filesystem>
#include <new>
#include <string>

uint32_t byteSum(const uint8_t* bytes, int32_t count) {
    uint32_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += bytes[i];  // unsigned: wraps modulo 2^32
    return sum;
}

uint32_t SampleBuffer::refuse(const std::string& path, const char* reason) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to load sample %s: %s\n", path.c_str(),
                 reason);
    bytes.reset();
    capacity = 0;
    size = 0;
    return 0;
}

uint32_t SampleBuffer::load(const std::string& path) {
    // Opening a FIFO or a device would block or never end, which freezes the window,
    // so only regular files (after following links) are opened.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) return refuse(path, error.message().c_str());
    if (!std::filesystem::is_regular_file(status)) return refuse(path, "it is not a regular file");

    SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "rb");
    if (!stream) return refuse(path, SDL_GetError());
    const int64_t n = SDL_RWsize(stream);
    if (n < 0) {
        const std::string reason = std::string("its size cannot be told: ") + SDL_GetError();
        SDL_RWclose(stream);
        return refuse(path, reason.c_str());
    }
    if (n >= kSizeLimit) {
        SDL_RWclose(stream);
        const std::string reason =
            "it has " + std::to_string(n) + " bytes, more than the limit of 2147483647 bytes";
        return refuse(path, reason.c_str());
    }
    if (n > size) {
        bytes.reset();
        bytes.reset(new (std::nothrow) uint8_t[size_t(n)]);
        if (!bytes) {
            SDL_RWclose(stream);
            const std::string reason = "no memory for its " + std::to_string(n) + " bytes";
            return refuse(path, reason.c_str());
        }
        capacity = n;
    }
    size = n;
    if (n > 0) {
        std::memset(bytes.get(), 0, size_t(n));
        // A short read leaves the zeros in place, as if the file ended there.
        SDL_RWread(stream, bytes.get(), size_t(n), 1);
    }
    SDL_RWclose(stream);
    return byteSum(bytes.get(), count());
}
