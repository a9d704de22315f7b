// SPDX-License-Identifier: MIT
// An open file descriptor, closed on every way out of the code that opened it.
#pragma once

#include <cerrno>

#include <unistd.h>

namespace dorvanel {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; the first error of closing, or 0.
    int Close() {
        const int error = fd_ >= 0 && ::close(fd_) != 0 ? errno : 0;
        fd_ = -1;
        return error;
    }

private:
    void Reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    int fd_;
};

} // namespace dorvanel
