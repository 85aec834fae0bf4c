#pragma once
// Writes zip archives byte by byte, including the odd ones: wrong CRCs, unknown methods,
// data descriptors, streamed members, truncated files, garbage around the records.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vextral::test {

// Plain: 12 bytes (20 for zip64); Signed: 16 (24) with the descriptor's own signature.
enum class Descriptor { None, Plain, Signed };

struct ZipMember {
    std::string storedName;
    std::string data;  // uncompressed contents
    bool deflated = false;
    // What the local header claims; unset fields take the true values.
    std::optional<std::uint16_t> method;
    std::optional<std::uint32_t> crc;
    std::optional<std::uint64_t> size;
    std::optional<std::uint64_t> compressedSize;
    std::uint16_t flags = 0;
    Descriptor descriptor = Descriptor::None;  // sets flag bit 3
    bool streamed = false;                     // zero CRC and sizes in the local header
    std::string extra;                         // extra-field bytes
    // Sizes (and the central record's offset) as 0xffffffff markers with the values in a
    // zip64 extra field; a descriptor then has 8-byte sizes. The archive gets a zip64 end
    // record and its locator.
    bool zip64 = false;
    // The member's bytes as given instead of data's (stored or deflated).
    std::optional<std::string> payload;
};

class ZipBuilder {
  public:
    ZipBuilder& Add(const std::string& storedName, const std::string& data);
    ZipBuilder& AddDeflated(const std::string& storedName, const std::string& data);
    ZipBuilder& AddFolder(const std::string& storedName);
    // The member added last, to make it odd.
    ZipMember& Last() { return members_.back(); }

    ZipBuilder& Prefix(const std::string& bytes);    // before the first local header
    ZipBuilder& Trailing(const std::string& bytes);  // after the end record
    ZipBuilder& TruncateAt(std::size_t length);
    // The central directory lists the members in the reverse order of their local headers.
    ZipBuilder& CentralReversed();

    std::string Bytes() const;
    // Writes the archive and returns the path.
    std::string Write(const std::string& path) const;

  private:
    std::vector<ZipMember> members_;
    std::string prefix_;
    std::string trailing_;
    std::optional<std::size_t> truncateAt_;
    bool centralReversed_ = false;
};

// Raw Deflate (no header) at the highest level.
std::string DeflateRaw(const std::string& data);
// Raw Deflate of `count` zero bytes, written directly (about 160 to 1), so that a test can
// make a member inflating to gigabytes without compressing them.
std::string DeflatedZeros(std::uint64_t count);
// CRC-32 of `count` zero bytes.
std::uint32_t CrcOfZeros(std::uint64_t count);
std::uint32_t CrcOf(const std::string& data);

}  // namespace vextral::test
