#pragma once

#include <cstdint>
#include <string>

namespace vextral {

// One member of a zip archive, as listed from its local header.
struct ZipEntry {
    std::string name;        // file-name part of storedName (after the last '\', '/' or ':')
    std::string storedName;  // exactly as stored, folder part included
    std::string zipPath;     // the archive's path as the caller gave it
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t dataOffset = 0;  // first data byte, just behind the extra field
    std::uint16_t method = 0;      // 0 stored, 8 deflated; others are refused at extraction

    bool operator==(const ZipEntry&) const = default;
};

}  // namespace vextral
