#include "archive/Crc32.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include <zlib.h>

#include "platform/FileSystem.h"

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
    const auto data = FileSizeAndCrc(path);
    if (length != nullptr)
        *length = data ? data->size : 0;
    return data ? data->crc : 0;
}

std::optional<FileData> FileSizeAndCrc(const std::string& path) {
    std::uint64_t length = 0;
    const FileDescriptor file = OpenRegularFile(path, &length);
    if (!file.IsOpen())
        return std::nullopt;

    // Chunked, so a stray multi-gigabyte file costs no more memory than a small one.
    std::vector<unsigned char> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(kFileChunk, length + 1)));
    FileData data;
    for (;;) {
        const ssize_t got = ::read(file.Get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        data.crc = Crc32(data.crc, chunk.data(), static_cast<std::size_t>(got));
        data.size += static_cast<std::uint64_t>(got);
    }
    return data;
}

bool SameFileData(const std::string& a, const std::string& b) {
    const auto first = FileSizeAndCrc(a);
    return first && first == FileSizeAndCrc(b);
}

}  // namespace vextral
