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
    std::uint64_t size = 0;  // 64-bit from a zip64 extra field, else the header's 32 bits
    std::uint64_t compressedSize = 0;
    std::uint64_t dataOffset = 0;  // first data byte, just behind the extra field
    std::uint16_t method = 0;      // 0 stored, 8 deflated; others are refused at extraction
    bool encrypted = false;        // flag bit 0: listed, but its data is never taken

    bool operator==(const ZipEntry&) const = default;
};

}  // namespace vextral
