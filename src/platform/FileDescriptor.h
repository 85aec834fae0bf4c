#pragma once

#include <unistd.h>

namespace vextral {

// Owns an open file descriptor; closes it when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { (void)Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            (void)Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }

    int Get() const { return fd_; }
    // Hands the descriptor over to its next owner.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes now; false when close reported an error (a write may not have reached the disk).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace vextral
