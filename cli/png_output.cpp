#include "cli/png_output.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <system_error>

namespace {

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

void onPngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    std::longjmp(png_jmpbuf(png), 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Encodes into an open stream. Kept free of objects with destructors, since libpng reports
// errors by jumping out of it.
bool encode(const Picture& picture, std::FILE* out, std::string& reason) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &reason, onPngError, onPngWarning);
    if (!png) {
        reason = "no memory for the PNG encoder";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (reason.empty()) reason = "the PNG encoder failed";
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, out);
    // The pictures are mostly flat areas, which the fastest level already packs well.
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), 8,
                 picture.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int64_t y = 0; y < picture.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(picture.row(y)));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

mode_t createMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool writePng(const Picture& picture, const std::string& path, std::string& reason) {
    reason.clear();
    if (path == "-") {
        if (::isatty(STDOUT_FILENO)) {
            reason = "standard output is a terminal; redirect it or name a file";
            return false;
        }
        if (!encode(picture, stdout, reason)) return false;
        if (std::fflush(stdout) != 0) {
            reason = systemReason(errno);
            return false;
        }
        return true;
    }

    std::string temporary = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        reason = systemReason(errno);
        return false;
    }
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        reason = systemReason(errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    bool ok = encode(picture, out, reason);
    if (std::fflush(out) != 0 && ok) {
        reason = systemReason(errno);
        ok = false;
    }
    if (ok && ::fchmod(fd, createMode()) != 0) {
        reason = systemReason(errno);
        ok = false;
    }
    if (std::fclose(out) != 0 && ok) {
        reason = systemReason(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        reason = systemReason(errno);
        ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}
