#include "archive/ZipReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kZip64Marker = 0xffffffff;
constexpr std::size_t kZip64LocatorSize = 20;

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::uint16_t kFlagEncrypted = 1;
constexpr std::uint16_t kFlagDescriptor = 8;

// Most set archives are small: the first read usually takes the whole file. Later reads
// follow a skip over member data, where only a header is wanted.
constexpr std::size_t kFirstRead = 64 * 1024;
constexpr std::size_t kLaterRead = 16 * 1024;

std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t Read64(const std::uint8_t* p) {
    return Read32(p) | (std::uint64_t{Read32(p + 4)} << 32);
}

// A read-only archive with a window of buffered bytes; positional reads only, so the walk
// never depends on a hidden file position.
class ArchiveFile {
  public:
    explicit ArchiveFile(const std::string& path) : file_(OpenRegularFile(path, &size_)) {}

    bool IsOpen() const { return file_.IsOpen(); }
    std::uint64_t Size() const { return size_; }

    // Points *bytes at up to `count` bytes from `position`; returns how many exist there
    // (fewer at the end of the file, 0 on a read error).
    std::size_t Fetch(std::uint64_t position, std::size_t count, const std::uint8_t** bytes) {
        const std::uint64_t windowEnd = windowStart_ + windowLength_;
        const bool inside = position >= windowStart_ && position < windowEnd;
        if (!inside || (position + count > windowEnd && windowEnd < size_)) {
            if (position >= size_)
                return 0;
            Refill(position, count);
        }
        if (position < windowStart_ || position >= windowStart_ + windowLength_)
            return 0;
        const std::size_t offset = static_cast<std::size_t>(position - windowStart_);
        *bytes = buffer_.data() + offset;
        return std::min(count, windowLength_ - offset);
    }

    // True when the four bytes at position are the signature.
    bool HasSignature(std::uint64_t position, std::uint32_t signature) {
        const std::uint8_t* bytes = nullptr;
        return Fetch(position, 4, &bytes) == 4 && Read32(bytes) == signature;
    }

  private:
    void Refill(std::uint64_t position, std::size_t count) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(
            std::max(count, firstRead_ ? kFirstRead : kLaterRead), size_ - position));
        firstRead_ = false;
        if (buffer_.size() < wanted)
            buffer_.resize(wanted);
        windowStart_ = position;
        windowLength_ = 0;
        while (windowLength_ < wanted) {
            const ssize_t got =
                ::pread(file_.Get(), buffer_.data() + windowLength_, wanted - windowLength_,
                        static_cast<off_t>(position + windowLength_));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                windowLength_ = 0;
                return;
            }
            if (got == 0)
                return;  // the file shrank under us
            windowLength_ += static_cast<std::size_t>(got);
        }
    }

    std::uint64_t size_ = 0;
    FileDescriptor file_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
    bool firstRead_ = true;
};

enum class HeaderResult { Read, NotAHeader, Corrupt };

bool IsRecordSignature(const std::uint8_t* bytes) {
    const std::uint32_t value = Read32(bytes);
    return value == kLocalSignature || value == kCentralSignature || value == kEndSignature;
}

// The data descriptor behind a flag-bit-3 member: CRC and two sizes of `sizeWidth` bytes each
// (8 for a zip64 member), with or without a signature of its own. A signature-less
// descriptor whose CRC happens to equal the signature is told apart by the record that
// follows it. Returns the descriptor's length and compressed size.
std::optional<std::pair<std::uint64_t, std::uint64_t>> ReadDescriptor(ArchiveFile& file,
                                                                      std::uint64_t position,
                                                                      std::size_t sizeWidth) {
    const std::size_t plain = 4 + 2 * sizeWidth;
    const std::uint8_t* bytes = nullptr;
    const std::size_t available = file.Fetch(position, plain + 8, &bytes);
    if (available < plain)
        return std::nullopt;
    bool hasSignature = Read32(bytes) == kDescriptorSignature && available >= plain + 4;
    if (hasSignature && IsRecordSignature(bytes + plain) &&
        !(available >= plain + 8 && IsRecordSignature(bytes + plain + 4))) {
        hasSignature = false;
    }
    const std::uint8_t* compressed = bytes + (hasSignature ? 8 : 4);
    return std::pair<std::uint64_t, std::uint64_t>{
        hasSignature ? plain + 4 : plain, sizeWidth == 8 ? Read64(compressed) : Read32(compressed)};
}

// The 64-bit sizes of a zip64 extra field, for the header fields that hold the 0xffffffff
// marker. A local header carries both sizes in it, the uncompressed one first; a field whose
// header value is no marker stays as it is. False when the extra field has no zip64 block.
bool ReadZip64Sizes(const std::uint8_t* extra, std::size_t length, std::uint64_t& size,
                    std::uint64_t& compressedSize) {
    for (std::size_t at = 0; at + 4 <= length;) {
        const std::uint16_t id = Read16(extra + at);
        const std::size_t blockLength =
            std::min<std::size_t>(Read16(extra + at + 2), length - at - 4);
        const std::uint8_t* block = extra + at + 4;
        if (id == kZip64ExtraId) {
            std::size_t field = 0;
            const bool bothPresent = blockLength >= 16;
            if (size == kZip64Marker && field + 8 <= blockLength)
                size = Read64(block + field);
            if (size == kZip64Marker || bothPresent)
                field += 8;
            if (compressedSize == kZip64Marker && field + 8 <= blockLength)
                compressedSize = Read64(block + field);
            return true;
        }
        at += 4 + blockLength;
    }
    return false;
}

HeaderResult ReadLocalHeader(ArchiveFile& file, std::uint64_t& position, const std::string& path,
                             std::vector<ZipEntry>& entries) {
    const std::uint8_t* header = nullptr;
    const std::size_t available = file.Fetch(position, kLocalHeaderSize, &header);
    if (available < 4 || Read32(header) != kLocalSignature) {
        position += available;
        return HeaderResult::NotAHeader;
    }
    if (available < kLocalHeaderSize)
        return HeaderResult::Corrupt;

    const std::uint16_t flags = Read16(header + 6);
    const std::uint16_t method = Read16(header + 8);
    const std::uint32_t crc = Read32(header + 14);
    std::uint64_t compressedSize = Read32(header + 18);
    std::uint64_t size = Read32(header + 22);
    const std::size_t nameLength = Read16(header + 26);
    const std::size_t extraLength = Read16(header + 28);
    position += kLocalHeaderSize;

    const std::uint8_t* nameAndExtra = nullptr;
    if (file.Fetch(position, nameLength + extraLength, &nameAndExtra) != nameLength + extraLength) {
        return HeaderResult::Corrupt;
    }
    std::string storedName;
    if (nameLength > 0)
        storedName.assign(reinterpret_cast<const char*>(nameAndExtra), nameLength);
    const bool zip64 = ReadZip64Sizes(nameAndExtra + nameLength, extraLength, size, compressedSize);
    position += nameLength + extraLength;

    const std::uint64_t dataOffset = position;
    if (compressedSize > file.Size() - dataOffset)
        return HeaderResult::Corrupt;
    position += compressedSize;

    if (flags & kFlagDescriptor) {
        const auto descriptor = ReadDescriptor(file, position, zip64 ? 8 : 4);
        if (!descriptor)
            return HeaderResult::Corrupt;
        // Zero sizes in the header with real ones only in the descriptor: the data was
        // streamed and its end cannot be found from here.
        if (compressedSize == 0 && descriptor->second != 0)
            return HeaderResult::Corrupt;
        position += descriptor->first;
    }

    const char last = storedName.empty() ? '\0' : storedName.back();
    if (last == '/' || last == '\\')
        return HeaderResult::Read;

    ZipEntry& entry = entries.emplace_back();
    entry.name = FileNamePart(storedName);
    entry.storedName = std::move(storedName);
    entry.zipPath = path;
    entry.crc = crc;
    entry.size = size;
    entry.compressedSize = compressedSize;
    entry.dataOffset = dataOffset;
    entry.method = method;
    entry.encrypted = (flags & kFlagEncrypted) != 0;
    return HeaderResult::Read;
}

bool EndsWithZipExtension(const std::string& path) {
    if (path.size() < 4)
        return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - 4);
    const char* const lower = ".zip";
    for (std::size_t i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

}  // namespace

bool ZipReader::ReadZipDirectory(const std::string& path, std::vector<ZipEntry>& entries,
                                 bool requireZipExtension, bool reportErrors) const {
    entries.clear();
    if (requireZipExtension && !EndsWithZipExtension(path))
        return false;
    ArchiveFile file(path);
    if (!file.IsOpen())
        return false;

    const std::string corruptText = "Corrupt Zipfile:\n\n" + path;
    const auto show = [&](const std::string& text) {
        if (reportErrors) {
            dialogs_.ShowMessage(text, "Vextral", MessageIcon::Exclamation, MessageButtons::Ok);
        }
    };

    // Every step below moves the position forward or stops, so the walk ends on any input.
    std::uint64_t position = 0;
    do {
        const HeaderResult result = ReadLocalHeader(file, position, path, entries);
        if (result == HeaderResult::Corrupt) {
            show(corruptText);
            return false;
        }
        if (result == HeaderResult::NotAHeader)
            show("Unsupported Zipformat In File:\n\n" + path);
    } while (file.HasSignature(position, kLocalSignature));

    // The central directory is only stepped over; the first record is taken whatever it is.
    do {
        const std::uint8_t* header = nullptr;
        const std::size_t available = file.Fetch(position, kCentralHeaderSize, &header);
        position += available;
        if (available < 4 || Read32(header) != kCentralSignature)
            continue;
        if (available < kCentralHeaderSize) {
            show(corruptText);
            return false;
        }
        const std::uint64_t rest =
            std::uint64_t{Read16(header + 28)} + Read16(header + 30) + Read16(header + 32);
        if (position + rest > file.Size()) {
            show(corruptText);
            return false;
        }
        position += rest;
    } while (file.HasSignature(position, kCentralSignature));

    // A zip64 archive has its own end record and a locator of it before the end record.
    if (file.HasSignature(position, kZip64EndSignature)) {
        const std::uint8_t* record = nullptr;
        if (file.Fetch(position, 12, &record) < 12 ||
            Read64(record + 4) > file.Size() - position - 12) {
            show(corruptText);
            return false;
        }
        position += 12 + Read64(record + 4);
    }
    if (file.HasSignature(position, kZip64LocatorSignature))
        position += kZip64LocatorSize;

    const bool complete = file.HasSignature(position, kEndSignature);
    if (!complete)
        show(corruptText);
    return complete;
}

}  // namespace vextral
