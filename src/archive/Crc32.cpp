#include "archive/Crc32.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include <zlib.h>

namespace vextral {

namespace {

constexpr std::size_t kFileChunk = std::size_t{1} << 20;

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* buffer, std::size_t length) {
    if (buffer == nullptr)
        return 0;
    auto bytes = static_cast<const Bytef*>(buffer);
    uLong value = crc;
    // zlib takes 32-bit lengths on some builds; feed it in pieces it can always take.
    while (length > 0) {
        const std::size_t piece = std::min<std::size_t>(length, UINT_MAX);
        value = crc32(value, bytes, static_cast<uInt>(piece));
        bytes += piece;
        length -= piece;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t FileCrc(const std::string& path, std::uint64_t* length) {
    if (length != nullptr)
        *length = 0;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return 0;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    if (length != nullptr)
        *length = static_cast<std::uint64_t>(status.st_size);

    // Chunked, so a stray multi-gigabyte file costs no more memory than a small one.
    std::vector<unsigned char> chunk(
        std::min<std::size_t>(kFileChunk, static_cast<std::size_t>(status.st_size) + 1));
    std::uint32_t crc = 0;
    for (;;) {
        const ssize_t got = ::read(file.Get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return 0;
        if (got == 0)
            break;
        crc = Crc32(crc, chunk.data(), static_cast<std::size_t>(got));
    }
    return crc;
}

}  // namespace vextral
