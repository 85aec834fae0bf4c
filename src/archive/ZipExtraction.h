#pragma once
// Turning one listed member into a verified file on disk.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"
#include "ui/Dialogs.h"

namespace vextral {

// The member's compressedSize raw bytes, or nothing on any file error (including a member
// that claims more bytes than the archive holds). The whole member in memory: for small
// members only; extraction streams.
std::optional<std::vector<std::uint8_t>> ReadZipEntryData(const ZipEntry& entry);

// Raw Deflate (no header) from input into output; 0 when the stream ended cleanly,
// produced exactly outputLength bytes and consumed exactly inputLength bytes; else -1.
int InflateBuffer(const std::uint8_t* input, std::size_t inputLength, std::uint8_t* output,
                  std::size_t outputLength);

// True when the member was decompressed, its CRC-32 matched, and destination was written;
// always false for an encrypted member.
// A method other than 0 and 8 shows "Unsupported Compressionmethod In File:\n\n" + zipPath.
// The member streams through fixed buffers (well under a megabyte) whatever its size; the
// destination is written beside itself and renamed into place only once verified.
[[nodiscard]] bool ExtractZipEntry(const ZipEntry& entry, const std::string& destination,
                                   Dialogs& dialogs);

// True when the member decompresses to its size and its CRC-32, without writing anything.
[[nodiscard]] bool VerifyZipEntry(const ZipEntry& entry);

// Creates or truncates the file, writes the bytes and clears its attributes.
[[nodiscard]] bool WriteFileFromBuffer(const std::string& path, const void* buffer,
                                       std::size_t length);

}  // namespace vextral
