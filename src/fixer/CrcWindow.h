#pragma once
// Searching data for a run of bytes with a given CRC-32, in one pass.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vextral {

// The lowest offset at which wantedLength bytes have the CRC-32 wantedCrc, or nothing.
// Nothing also for a null buffer, a zero length, or a buffer shorter than the window.
// Linear in length: the CRC of each window is derived from the previous one.
std::optional<std::size_t> FindCrcWindowOffset(const std::uint8_t* buffer, std::size_t length,
                                               std::size_t wantedLength, std::uint32_t wantedCrc);

// The same search over a regular file, read in chunks of chunkSize bytes: memory does not
// grow with the file or the window. Nothing also when the file cannot be read.
std::optional<std::uint64_t> FindCrcWindowInFile(const std::string& path,
                                                 std::uint64_t wantedLength,
                                                 std::uint32_t wantedCrc,
                                                 std::size_t chunkSize = 1 << 16);

}  // namespace vextral
