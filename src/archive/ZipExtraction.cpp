#include "archive/ZipExtraction.h"
#include "platform/FileDescriptor.h"

#define ZLIB_CONST
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <new>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"

namespace vextral {

namespace {

// Deflate cannot expand more than 1032 to 1 (a 258-byte match in two bits); a member that
// claims more is corrupt, and refusing it early avoids a huge allocation.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 1024;

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, std::min<std::size_t>(length, 1u << 30));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, std::uint8_t* bytes, std::size_t length, std::uint64_t offset) {
    while (length > 0) {
        const ssize_t got =
            ::pread(fd, bytes, std::min<std::size_t>(length, 1u << 30), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        length -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

// A fresh file in the destination's folder, created so that no other writer shares it.
std::string TemporaryNameBeside(const std::string& path, unsigned attempt) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char name[64];
    std::snprintf(name, sizeof name, ".vxt%lx%llx%x.tmp", static_cast<unsigned long>(::getpid()),
                  static_cast<unsigned long long>(ticks) & 0xffffffffffULL, attempt);
    return folder + name;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadZipEntryData(const ZipEntry& entry) {
    FileDescriptor file(::open(entry.zipPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    // Checked before allocating, so a lying header costs nothing.
    if (std::uint64_t{entry.dataOffset} + entry.compressedSize >
        static_cast<std::uint64_t>(status.st_size)) {
        return std::nullopt;
    }
    try {
        std::vector<std::uint8_t> data(entry.compressedSize);
        if (!ReadAll(file.Get(), data.data(), data.size(), entry.dataOffset))
            return std::nullopt;
        return data;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int InflateBuffer(const std::uint8_t* input, std::size_t inputLength, std::uint8_t* output,
                  std::size_t outputLength) {
    std::uint8_t spare = 0;
    if (output == nullptr) {
        if (outputLength != 0)
            return -1;
        output = &spare;  // zlib refuses a null output pointer even for zero bytes
    }
    if (input == nullptr && inputLength != 0)
        return -1;

    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return -1;
    stream.next_in = input;
    stream.next_out = output;
    std::size_t inputLeft = inputLength;
    std::size_t outputLeft = outputLength;
    int status = Z_OK;
    for (;;) {
        if (stream.avail_in == 0 && inputLeft > 0) {
            stream.avail_in = static_cast<uInt>(std::min<std::size_t>(inputLeft, UINT_MAX));
            inputLeft -= stream.avail_in;
        }
        if (stream.avail_out == 0 && outputLeft > 0) {
            stream.avail_out = static_cast<uInt>(std::min<std::size_t>(outputLeft, UINT_MAX));
            outputLeft -= stream.avail_out;
        }
        // Z_BUF_ERROR means no progress: the stream wants input or output beyond the buffers.
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK)
            break;
    }
    const bool allOutput = stream.avail_out == 0 && outputLeft == 0;
    const bool allInput = stream.avail_in == 0 && inputLeft == 0;
    inflateEnd(&stream);
    return status == Z_STREAM_END && allOutput && allInput ? 0 : -1;
}

namespace {

enum class Decoded { Ok, Failed, UnsupportedMethod };

// The member's data, decompressed and checked against its CRC-32; stored members come back
// in data with their stored bytes, of which the first entry.size count.
Decoded DecodeZipEntry(const ZipEntry& entry, std::vector<std::uint8_t>& data) {
    std::optional<std::vector<std::uint8_t>> raw = ReadZipEntryData(entry);
    if (!raw)
        return Decoded::Failed;

    switch (entry.method) {
        case 0:
            // A stored member's size beyond its stored bytes would read past the buffer.
            if (entry.size > raw->size() || Crc32(0, raw->data(), entry.size) != entry.crc)
                return Decoded::Failed;
            data = std::move(*raw);
            return Decoded::Ok;
        case 8:
            if (entry.size >
                std::uint64_t{entry.compressedSize} * kMaxDeflateRatio + kDeflateSlack) {
                return Decoded::Failed;
            }
            try {
                data.resize(entry.size);
            } catch (const std::bad_alloc&) {
                return Decoded::Failed;
            }
            if (InflateBuffer(raw->data(), raw->size(), data.data(), data.size()) != 0 ||
                Crc32(0, data.data(), data.size()) != entry.crc) {
                return Decoded::Failed;
            }
            return Decoded::Ok;
        default:
            return Decoded::UnsupportedMethod;
    }
}

}  // namespace

bool ExtractZipEntry(const ZipEntry& entry, const std::string& destination, Dialogs& dialogs) {
    std::vector<std::uint8_t> data;
    switch (DecodeZipEntry(entry, data)) {
        case Decoded::Ok:
            return WriteFileFromBuffer(destination, data.data(), entry.size);
        case Decoded::Failed:
            return false;
        case Decoded::UnsupportedMethod:
            dialogs.ShowMessage("Unsupported Compressionmethod In File:\n\n" + entry.zipPath,
                                "Vextral", MessageIcon::Exclamation, MessageButtons::Ok);
            return false;
    }
    return false;
}

bool VerifyZipEntry(const ZipEntry& entry) {
    std::vector<std::uint8_t> data;
    return DecodeZipEntry(entry, data) == Decoded::Ok;
}

bool WriteFileFromBuffer(const std::string& path, const void* buffer, std::size_t length) {
    if (buffer == nullptr && length != 0)
        return false;
    // A read-only file cannot be replaced, as on systems where the attribute is enforced
    // even for the superuser.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0 ||
            ::access(path.c_str(), W_OK) != 0) {
            return false;
        }
    }

    // Written beside the target and renamed over it, so a failed write leaves no partial
    // file and an existing one intact.
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryNameBeside(path, attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    FileDescriptor file(fd);
    const bool written = WriteAll(file.Get(), static_cast<const std::uint8_t*>(buffer), length);
    const bool closed = file.Close();
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    ClearFileAttributes(path);
    return true;
}

}  // namespace vextral
