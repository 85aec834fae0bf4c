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
#include <functional>
#include <new>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

// Deflate cannot expand more than 1032 to 1 (a 258-byte match in two bits); a member that
// claims more is corrupt, and refusing it early avoids a huge allocation.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 1024;
// Members stream through buffers of this size whatever their size.
constexpr std::size_t kChunk = 256 * 1024;

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

// A new file beside a destination, written and then renamed over it only when complete, so
// a failed or refused write leaves no partial file and an existing one intact. Removed
// unless committed.
class FileBeside {
  public:
    explicit FileBeside(const std::string& destination) : destination_(destination) {
        // A read-only file cannot be replaced, as on systems where the attribute is enforced
        // even for the superuser.
        struct stat existing {};
        if (::stat(destination.c_str(), &existing) == 0 &&
            (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0 ||
             ::access(destination.c_str(), W_OK) != 0)) {
            return;
        }
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::string name = TemporaryNameBeside(destination, attempt);
            file_ =
                FileDescriptor(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (file_.IsOpen())
                temporary_ = name;
            if (file_.IsOpen() || errno != EEXIST)
                return;
        }
    }
    ~FileBeside() {
        static_cast<void>(file_.Close());
        if (!committed_ && !temporary_.empty())
            ::unlink(temporary_.c_str());
    }
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;

    bool IsOpen() const { return file_.IsOpen(); }
    bool Write(const std::uint8_t* bytes, std::size_t length) {
        return WriteAll(file_.Get(), bytes, length);
    }
    bool Commit() {
        committed_ = file_.Close() && ::rename(temporary_.c_str(), destination_.c_str()) == 0;
        if (committed_)
            ClearFileAttributes(destination_);
        return committed_;
    }

  private:
    std::string destination_;
    std::string temporary_;
    FileDescriptor file_{-1};
    bool committed_ = false;
};

// A member's stored bytes, read from the archive in bounded chunks.
class MemberData {
  public:
    MemberData(int archive, std::uint64_t offset, std::uint64_t length)
        : archive_(archive),
          offset_(offset),
          left_(length),
          buffer_(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, length))) {}

    std::uint64_t Left() const { return left_; }
    // The next chunk; false on a read error (nothing is left then).
    bool Next(const std::uint8_t*& bytes, std::size_t& length) {
        length = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size()));
        if (!ReadAll(archive_, buffer_.data(), length, offset_)) {
            left_ = 0;
            return false;
        }
        bytes = buffer_.data();
        offset_ += length;
        left_ -= length;
        return true;
    }

  private:
    int archive_;
    std::uint64_t offset_;
    std::uint64_t left_;
    std::vector<std::uint8_t> buffer_;
};

using ChunkSink = std::function<bool(const std::uint8_t*, std::size_t)>;

bool CopyStored(MemberData& data, const ChunkSink& sink) {
    while (data.Left() > 0) {
        const std::uint8_t* bytes = nullptr;
        std::size_t length = 0;
        if (!data.Next(bytes, length) || !sink(bytes, length))
            return false;
    }
    return true;
}

// Raw Deflate of the member's bytes; true only when the stream ended cleanly with exactly
// `size` bytes produced and every stored byte consumed.
bool InflateStream(MemberData& data, std::uint64_t size, const ChunkSink& sink) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    // One byte more than the member's size shows a stream that goes on beyond it.
    std::vector<std::uint8_t> output(
        static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size + 1)));
    std::uint64_t produced = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.avail_in == 0 && data.Left() > 0) {
            const std::uint8_t* bytes = nullptr;
            std::size_t length = 0;
            if (!data.Next(bytes, length))
                break;
            stream.next_in = bytes;
            stream.avail_in = static_cast<uInt>(length);
        }
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        // Z_BUF_ERROR means no progress: the stream wants input beyond the member's bytes.
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t got = output.size() - stream.avail_out;
        produced += got;
        if (produced > size || (got > 0 && !sink(output.data(), got)))
            break;
    }
    const bool allInput = stream.avail_in == 0 && data.Left() == 0;
    inflateEnd(&stream);
    return status == Z_STREAM_END && produced == size && allInput;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadZipEntryData(const ZipEntry& entry) {
    std::uint64_t archiveLength = 0;
    const FileDescriptor file = OpenRegularFile(entry.zipPath, &archiveLength);
    if (!file.IsOpen())
        return std::nullopt;
    // Checked before allocating, so a lying header costs nothing.
    if (std::uint64_t{entry.dataOffset} + entry.compressedSize > archiveLength) {
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

// Streams the member's data to the sink and checks it against its CRC-32. The caller has
// already refused methods other than stored and deflated.
bool StreamZipEntry(const ZipEntry& entry, const ChunkSink& sink) {
    std::uint64_t archiveLength = 0;
    const FileDescriptor archive = OpenRegularFile(entry.zipPath, &archiveLength);
    if (!archive.IsOpen() || entry.dataOffset > archiveLength ||
        entry.compressedSize > archiveLength - entry.dataOffset) {
        return false;
    }
    // Encrypted data would need a password and never matches its CRC as it is. A stored
    // member's size beyond its stored bytes would read past its data; a deflated one
    // claiming more than Deflate can produce is corrupt.
    if (entry.encrypted)
        return false;
    if (entry.method == 0 ? entry.size > entry.compressedSize
                          : entry.size > entry.compressedSize * kMaxDeflateRatio + kDeflateSlack) {
        return false;
    }
    std::uint32_t crc = 0;
    const auto take = [&](const std::uint8_t* bytes, std::size_t length) {
        crc = Crc32(crc, bytes, length);
        return sink(bytes, length);
    };
    MemberData data(archive.Get(), entry.dataOffset,
                    entry.method == 0 ? entry.size : entry.compressedSize);
    const bool streamed =
        entry.method == 0 ? CopyStored(data, take) : InflateStream(data, entry.size, take);
    return streamed && crc == entry.crc;
}

}  // namespace

bool ExtractZipEntry(const ZipEntry& entry, const std::string& destination, Dialogs& dialogs) {
    if (entry.method != 0 && entry.method != 8) {
        dialogs.ShowMessage("Unsupported Compressionmethod In File:\n\n" + entry.zipPath, "Vextral",
                            MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    FileBeside output(destination);
    if (!output.IsOpen())
        return false;
    const auto write = [&](const std::uint8_t* bytes, std::size_t length) {
        return output.Write(bytes, length);
    };
    return StreamZipEntry(entry, write) && output.Commit();
}

bool VerifyZipEntry(const ZipEntry& entry) {
    if (entry.method != 0 && entry.method != 8)
        return false;
    return StreamZipEntry(entry, [](const std::uint8_t*, std::size_t) { return true; });
}

bool WriteFileFromBuffer(const std::string& path, const void* buffer, std::size_t length) {
    if (buffer == nullptr && length != 0)
        return false;
    FileBeside file(path);
    return file.IsOpen() && file.Write(static_cast<const std::uint8_t*>(buffer), length) &&
           file.Commit();
}

}  // namespace vextral
