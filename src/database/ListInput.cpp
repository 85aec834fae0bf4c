#include "database/ListInput.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/FileSystem.h"

namespace vextral {

namespace {

gzFile Stream(void* gz) {
    return static_cast<gzFile>(gz);
}

}  // namespace

ListInput::~ListInput() {
    Close();
}

bool ListInput::Open(const std::string& path) {
    Close();
    FileDescriptor file = OpenRegularFile(path, &fileSize_);
    if (!file.IsOpen())
        return false;
    const int fd = file.Release();
    position_ = 0;

    unsigned char signature[2] = {0, 0};
    const bool gzip =
        ::pread(fd, signature, 2, 0) == 2 && signature[0] == 0x1f && signature[1] == 0x8b;
    if (!gzip) {
        fd_ = fd;
        return true;
    }
    gzFile stream = ::gzdopen(fd, "rb");
    if (stream == nullptr) {
        ::close(fd);
        return false;
    }
    (void)::gzbuffer(stream, 1 << 18);
    gz_ = stream;
    return true;
}

void ListInput::Close() {
    if (gz_ != nullptr)
        ::gzclose(Stream(gz_));
    else if (fd_ >= 0)
        ::close(fd_);
    gz_ = nullptr;
    fd_ = -1;
}

long ListInput::Read(char* buffer, std::size_t size) {
    const auto chunk = static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX / 2));
    if (gz_ != nullptr) {
        const int n = ::gzread(Stream(gz_), buffer, chunk);
        if (n < 0)
            return -1;
        // A truncated stream reads as an end; it is a damaged file all the same.
        int error = Z_OK;
        (void)::gzerror(Stream(gz_), &error);
        if (n == 0 && error != Z_OK)
            return -1;
        return n;
    }
    if (fd_ < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, chunk);
        if (n >= 0) {
            position_ += static_cast<std::uint64_t>(n);
            return static_cast<long>(n);
        }
        if (errno != EINTR)
            return -1;
    }
}

bool ListInput::SeekTo(std::uint64_t offset) {
    if (gz_ != nullptr || fd_ < 0 || ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        return false;
    position_ = offset;
    return true;
}

std::uint64_t ListInput::Position() const {
    if (gz_ != nullptr) {
        const z_off_t offset = ::gzoffset(Stream(gz_));
        return offset < 0 ? 0 : static_cast<std::uint64_t>(offset);
    }
    return position_;
}

}  // namespace vextral
