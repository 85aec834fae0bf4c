#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vextral {

// CRC-32 of the zip format continued from an earlier value (0 to start); a null buffer
// gives 0. zlib's crc32 contract.
std::uint32_t Crc32(std::uint32_t crc, const void* buffer, std::size_t length);

// CRC-32 of a whole file, read in chunks; 0 when it cannot be opened or read. The file's
// length goes to *length when given (0 when it cannot be opened).
std::uint32_t FileCrc(const std::string& path, std::uint64_t* length = nullptr);

}  // namespace vextral
