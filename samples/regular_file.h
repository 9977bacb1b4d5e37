#pragma once
#include <cstdint>
#include <string>

// A file opened for reading that can never block the caller: the open does not wait (a
// FIFO without a writer, a device), and whatever the opened descriptor turns out to be
// other than a regular file is refused. Checking the descriptor rather than the path
// leaves no moment in which the entry could be swapped for something else.
class RegularFile {
public:
    RegularFile() = default;
    ~RegularFile();
    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens path; on failure the file stays closed and reason() says why.
    bool open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    int64_t size() const { return size_; }
    // The system's reason for the last failure ("No such file or directory"), or
    // "it is not a regular file".
    const std::string& reason() const { return reason_; }
    // The errno of a failed open; 0 when the file opened but is not a regular file.
    int openError() const { return openError_; }

    // Reads up to count bytes from offset; fewer at the end of the file or on an error,
    // which reason() then names.
    int64_t readAt(int64_t offset, uint8_t* out, int64_t count);

private:
    void close();

    int fd_ = -1;
    int64_t size_ = 0;
    int openError_ = 0;
    std::string reason_;
};
