#include "support/ZipBuilder.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vextral::test {

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

void Put64(std::string& out, std::uint64_t value) {
    Put32(out, static_cast<std::uint32_t>(value));
    Put32(out, static_cast<std::uint32_t>(value >> 32));
}

// A zip64 extra block holding the given 64-bit values.
std::string Zip64Extra(std::initializer_list<std::uint64_t> values) {
    std::string block;
    Put16(block, 0x0001);
    Put16(block, static_cast<std::uint32_t>(8 * values.size()));
    for (const std::uint64_t value : values)
        Put64(block, value);
    return block;
}

constexpr std::uint32_t kMarker = 0xffffffff;

constexpr std::uint32_t kDosTime = 0x6000;  // 12:00:00
constexpr std::uint32_t kDosDate = 0x5421;  // 2022-01-01

}  // namespace

std::uint32_t CrcOf(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string DeflateRaw(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

std::string DeflatedZeros(std::uint64_t count) {
    std::string out;
    std::uint32_t bits = 0;
    int used = 0;
    const auto put = [&](std::uint32_t value, int width) {  // least significant bit first
        bits |= value << used;
        used += width;
        for (; used >= 8; used -= 8, bits >>= 8)
            out.push_back(static_cast<char>(bits & 0xff));
    };
    const auto code = [&](std::uint32_t value, int width) {  // Huffman codes: most first
        std::uint32_t reversed = 0;
        for (int i = 0; i < width; ++i)
            reversed |= ((value >> i) & 1u) << (width - 1 - i);
        put(reversed, width);
    };
    put(1, 1);  // the final block
    put(1, 2);  // fixed Huffman codes
    if (count > 0) {
        code(0x30, 8);  // literal 0
        --count;
    }
    for (; count >= 258; count -= 258) {
        code(0xC5, 8);  // length 258
        code(0, 5);     // distance 1
    }
    for (; count > 0; --count)
        code(0x30, 8);
    code(0, 7);  // end of block
    if (used > 0)
        out.push_back(static_cast<char>(bits & 0xff));
    return out;
}

std::uint32_t CrcOfZeros(std::uint64_t count) {
    const std::string zeros(1 << 20, '\0');
    uLong crc = 0;
    for (; count > 0; count -= std::min<std::uint64_t>(count, zeros.size())) {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()),
                    static_cast<uInt>(std::min<std::uint64_t>(count, zeros.size())));
    }
    return static_cast<std::uint32_t>(crc);
}

ZipBuilder& ZipBuilder::Add(const std::string& storedName, const std::string& data) {
    ZipMember& member = members_.emplace_back();
    member.storedName = storedName;
    member.data = data;
    return *this;
}

ZipBuilder& ZipBuilder::AddDeflated(const std::string& storedName, const std::string& data) {
    Add(storedName, data);
    members_.back().deflated = true;
    return *this;
}

ZipBuilder& ZipBuilder::AddFolder(const std::string& storedName) {
    return Add(storedName, "");
}

ZipBuilder& ZipBuilder::Prefix(const std::string& bytes) {
    prefix_ = bytes;
    return *this;
}

ZipBuilder& ZipBuilder::Trailing(const std::string& bytes) {
    trailing_ = bytes;
    return *this;
}

ZipBuilder& ZipBuilder::TruncateAt(std::size_t length) {
    truncateAt_ = length;
    return *this;
}

ZipBuilder& ZipBuilder::CentralReversed() {
    centralReversed_ = true;
    return *this;
}

std::string ZipBuilder::Bytes() const {
    std::string out = prefix_;
    std::string central;
    bool anyZip64 = false;
    for (const ZipMember& member : members_) {
        std::string record;
        const std::string payload =
            member.payload.value_or(member.deflated ? DeflateRaw(member.data) : member.data);
        const std::uint32_t realCrc = CrcOf(member.data);
        const std::uint16_t method = member.method.value_or(member.deflated ? 8 : 0);
        const std::uint32_t crc = member.crc.value_or(realCrc);
        const std::uint64_t size = member.size.value_or(member.data.size());
        const std::uint64_t compressedSize = member.compressedSize.value_or(payload.size());
        const std::uint16_t flags = static_cast<std::uint16_t>(
            member.flags | (member.descriptor != Descriptor::None ? 8 : 0));
        const std::uint64_t offset = out.size();
        anyZip64 = anyZip64 || member.zip64;
        const auto put32or64 = [&](std::string& to, std::uint64_t value) {
            if (member.zip64)
                Put64(to, value);
            else
                Put32(to, static_cast<std::uint32_t>(value));
        };
        const auto headerValue = [&](std::uint64_t value) {
            return member.zip64 ? kMarker : static_cast<std::uint32_t>(value);
        };
        const std::string localExtra =
            (member.zip64 ? Zip64Extra({size, compressedSize}) : std::string()) + member.extra;

        Put32(out, 0x04034b50);
        Put16(out, member.zip64 ? 45 : 20);
        Put16(out, flags);
        Put16(out, method);
        Put16(out, kDosTime);
        Put16(out, kDosDate);
        Put32(out, member.streamed ? 0 : crc);
        Put32(out, member.streamed ? 0 : headerValue(compressedSize));
        Put32(out, member.streamed ? 0 : headerValue(size));
        Put16(out, static_cast<std::uint32_t>(member.storedName.size()));
        Put16(out, static_cast<std::uint32_t>(localExtra.size()));
        out += member.storedName;
        out += localExtra;
        out += payload;
        if (member.descriptor == Descriptor::Signed)
            Put32(out, 0x08074b50);
        if (member.descriptor != Descriptor::None) {
            Put32(out, crc);
            put32or64(out, compressedSize);
            put32or64(out, size);
        }

        const std::string centralExtra =
            member.zip64 ? Zip64Extra({size, compressedSize, offset}) : std::string();
        Put32(record, 0x02014b50);
        Put16(record, member.zip64 ? 45 : 20);
        Put16(record, member.zip64 ? 45 : 20);
        Put16(record, flags);
        Put16(record, method);
        Put16(record, kDosTime);
        Put16(record, kDosDate);
        Put32(record, crc);
        Put32(record, headerValue(compressedSize));
        Put32(record, headerValue(size));
        Put16(record, static_cast<std::uint32_t>(member.storedName.size()));
        Put16(record, static_cast<std::uint32_t>(centralExtra.size()));
        Put16(record, 0);  // comment
        Put16(record, 0);  // disk
        Put16(record, 0);  // internal attributes
        const bool folder = !member.storedName.empty() && member.storedName.back() == '/';
        Put32(record, folder ? 0x10 : 0);
        Put32(record, headerValue(offset));
        record += member.storedName;
        record += centralExtra;
        central = centralReversed_ ? record + central : central + record;
    }
    const std::uint64_t centralOffset = out.size();
    out += central;
    if (anyZip64) {
        const std::uint64_t zip64EndOffset = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);  // the record's size after this field
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);  // this disk
        Put32(out, 0);  // the central directory's disk
        Put64(out, members_.size());
        Put64(out, members_.size());
        Put64(out, central.size());
        Put64(out, centralOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, zip64EndOffset);
        Put32(out, 1);  // disks
    }
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, anyZip64 ? 0xffff : static_cast<std::uint32_t>(members_.size()));
    Put16(out, anyZip64 ? 0xffff : static_cast<std::uint32_t>(members_.size()));
    Put32(out, anyZip64 ? kMarker : static_cast<std::uint32_t>(central.size()));
    Put32(out, anyZip64 ? kMarker : static_cast<std::uint32_t>(centralOffset));
    Put16(out, 0);
    out += trailing_;
    if (truncateAt_ && *truncateAt_ < out.size())
        out.resize(*truncateAt_);
    return out;
}

std::string ZipBuilder::Write(const std::string& path) const {
    const std::string bytes = Bytes();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
    return path;
}

}  // namespace vextral::test
