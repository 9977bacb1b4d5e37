#include "samples/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

RegularFile::~RegularFile() {
    close();
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      size_(other.size_),
      openError_(other.openError_),
      reason_(std::move(other.reason_)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        openError_ = other.openError_;
        reason_ = std::move(other.reason_);
    }
    return *this;
}

void RegularFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool RegularFile::open(const std::string& path) {
    close();
    openError_ = 0;
    reason_.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openError_ = errno;
        reason_ = std::generic_category().message(openError_);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        openError_ = errno;
        reason_ = std::generic_category().message(openError_);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        reason_ = "it is not a regular file";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = int64_t(status.st_size);
    return true;
}

int64_t RegularFile::readAt(int64_t offset, uint8_t* out, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, out + done, size_t(count - done), off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) reason_ = std::generic_category().message(errno);
        if (got <= 0) break;
        done += got;
    }
    return done;
}
