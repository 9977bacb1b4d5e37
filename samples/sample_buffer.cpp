#include "samples/sample_buffer.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cstring>
#include <new>
#include <string>

#include "samples/regular_file.h"

uint32_t SampleBuffer::refuse(const std::string& path, const char* reason) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to load sample %s: %s\n", path.c_str(),
                 reason);
    bytes.reset();
    capacity = 0;
    size = 0;
    return 0;
}

uint32_t SampleBuffer::load(const std::string& path) {
    // Opening a FIFO or a device by path could block or never end, which freezes the
    // window: the file is opened without waiting and refused unless it is a regular file.
    RegularFile file;
    if (!file.open(path)) {
        // A regular file that may not be read is named the way the stream library names it.
        struct stat status {};
        if (file.openError() != 0 && ::stat(path.c_str(), &status) == 0 &&
            S_ISREG(status.st_mode)) {
            return refuse(path, ("Couldn't open " + path).c_str());
        }
        return refuse(path, file.reason().c_str());
    }
    const int64_t n = file.size();
    if (n >= kSizeLimit) {
        const std::string reason =
            "it has " + std::to_string(n) + " bytes, more than the limit of 2147483647 bytes";
        return refuse(path, reason.c_str());
    }
    if (n > size) {
        bytes.reset();
        bytes.reset(new (std::nothrow) uint8_t[size_t(n)]);
        if (!bytes) {
            const std::string reason = "no memory for its " + std::to_string(n) + " bytes";
            return refuse(path, reason.c_str());
        }
        capacity = n;
    }
    size = n;
    if (n > 0) {
        std::memset(bytes.get(), 0, size_t(n));
        // A short read leaves the zeros in place, as if the file ended there.
        file.readAt(0, bytes.get(), n);
    }
    return byteSum(bytes.get(), count());
}
