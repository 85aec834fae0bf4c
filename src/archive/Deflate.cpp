#include "archive/Deflate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "archive/Crc32.h"
#include "platform/FileDescriptor.h"

namespace vextral {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Ends the stream whatever way the compression leaves.
struct DeflateStream {
    z_stream z{};
    bool started = false;
    ~DeflateStream() {
        if (started)
            deflateEnd(&z);
    }
};

}  // namespace

std::optional<DeflatedData> DeflateFile(const std::string& path, std::string* failure) {
    const auto fail = [&](const std::string& why) -> std::optional<DeflatedData> {
        if (failure != nullptr)
            *failure = why;
        return std::nullopt;
    };
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0)
        return fail(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return fail("not a regular file");

    DeflatedData result;
    result.modified = status.st_mtime;
    result.mode = status.st_mode;
    DeflateStream stream;
    // The level and window libzip itself uses for its highest level.
    if (deflateInit2(&stream.z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, MAX_MEM_LEVEL,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return fail("cannot start the compression");
    }
    stream.started = true;
    result.bytes.reserve(deflateBound(&stream.z, static_cast<uLong>(status.st_size)));

    std::vector<std::uint8_t> input(kChunk);
    std::vector<std::uint8_t> output(kChunk);
    for (bool last = false; !last;) {
        const ssize_t got = ::read(file.Get(), input.data(), input.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(std::strerror(errno));
        }
        last = got == 0;
        const auto length = static_cast<std::size_t>(got);
        result.crc = Crc32(result.crc, input.data(), length);
        result.size += length;
        stream.z.next_in = input.data();
        stream.z.avail_in = static_cast<uInt>(length);
        int code = Z_OK;
        do {
            stream.z.next_out = output.data();
            stream.z.avail_out = static_cast<uInt>(output.size());
            code = deflate(&stream.z, last ? Z_FINISH : Z_NO_FLUSH);
            if (code == Z_STREAM_ERROR)
                return fail("compression failed");
            result.bytes.insert(result.bytes.end(), output.data(),
                                output.data() + (output.size() - stream.z.avail_out));
        } while (stream.z.avail_out == 0 || (last && code != Z_STREAM_END));
    }
    return result;
}

}  // namespace vextral
