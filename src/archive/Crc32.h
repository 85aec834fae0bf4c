#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vextral {

// CRC-32 of the zip format continued from an earlier value (0 to start); a null buffer
// gives 0. zlib's crc32 contract.
std::uint32_t Crc32(std::uint32_t crc, const void* buffer, std::size_t length);

// CRC-32 of a whole file, read in chunks; 0 when it cannot be opened or read. The file's
// length goes to *length when given (0 when it cannot be opened).
std::uint32_t FileCrc(const std::string& path, std::uint64_t* length = nullptr);

struct FileData {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const FileData&) const = default;
};
// The length and CRC-32 of a regular file as read whole; nothing when it cannot be read.
std::optional<FileData> FileSizeAndCrc(const std::string& path);
// True when both files could be read and have the same length and CRC-32.
bool SameFileData(const std::string& a, const std::string& b);

}  // namespace vextral
