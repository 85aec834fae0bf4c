#pragma once
// Compressing a file ahead of the archive change that stores it, so that the compression of
// many members can run side by side while the archive itself is written in one go.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace vextral {

// A file's data as raw Deflate at the highest level, with what it decompresses to.
struct DeflatedData {
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::time_t modified = 0;
    std::uint32_t mode = 0;  // the file's type and permission bits
};

// Nothing when the file could not be read whole; the system's reason then goes to *failure.
// Safe to call from any thread: it touches nothing but the file and its result.
std::optional<DeflatedData> DeflateFile(const std::string& path, std::string* failure = nullptr);

}  // namespace vextral
