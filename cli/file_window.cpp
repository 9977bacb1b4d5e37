#include "cli/file_window.h"

#include "samples/regular_file.h"

bool FileWindow::read(const std::string& path, int64_t from, std::optional<int64_t> length,
                      std::string& reason) {
    RegularFile file;
    if (!file.open(path)) {
        reason = file.reason();
        return false;
    }
    start = from;
    fileSize = file.size();
    if (from > fileSize) {
        reason = "the window starts at byte " + std::to_string(from) + ", past the end of the " +
                 std::to_string(fileSize) + "-byte file";
        return false;
    }
    const int64_t available = fileSize - from;
    if (length && *length > available) {
        // Unsigned, since start and length may each be near 2^63.
        reason = "the window ends at byte " + std::to_string(uint64_t(from) + uint64_t(*length)) +
                 ", past the end of the " + std::to_string(fileSize) + "-byte file";
        return false;
    }
    const int64_t count = length ? *length : available;
    if (count > kMaxLength) {
        reason = "the window holds " + std::to_string(count) +
                 " bytes, more than the 2147483647 a picture is decoded from; choose a part "
                 "with --start and --length";
        return false;
    }
    bytes.assign(size_t(count), 0);
    if (file.readAt(from, bytes.data(), count) != count) {
        reason =
            "reading failed: " + (file.reason().empty() ? "the file got shorter" : file.reason());
        return false;
    }
    return true;
}
