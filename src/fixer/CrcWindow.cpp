#include "fixer/CrcWindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <vector>

#include "archive/Crc32.h"
#include "platform/FileDescriptor.h"

namespace vextral {
namespace {

// Reflected CRC-32 polynomial of the zip format.
constexpr std::uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> MakeByteTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t r = b;
        for (int bit = 0; bit < 8; ++bit) {
            r = (r & 1u) ? (r >> 1) ^ kPolynomial : r >> 1;
        }
        table[b] = r;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kByteTable = MakeByteTable();

// a * b modulo the polynomial, both in the reflected bit order (x^0 is the top bit).
std::uint32_t MultiplyModPoly(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m) {
            product ^= b;
        }
        b = (b & 1u) ? (b >> 1) ^ kPolynomial : b >> 1;
    }
    return product;
}

// x^(8 * byteCount) modulo the polynomial: running the bare CRC register over byteCount
// zero bytes multiplies it by this.
std::uint32_t ZeroBytesOperator(std::uint64_t byteCount) {
    std::uint32_t result = 1u << 31;  // x^0
    std::uint32_t power = 1u << 23;   // x^8
    while (byteCount != 0) {
        if (byteCount & 1u) {
            result = MultiplyModPoly(power, result);
        }
        power = MultiplyModPoly(power, power);
        byteCount >>= 1;
    }
    return result;
}

// The CRC of a window of fixed length, slid one byte at a time. It works with the bare
// register L(w) (start 0, no final inversion), which is linear in the window's bytes:
// crc(w) = L(w) ^ bias, where bias depends only on the window length. Sliding by one byte:
// L' = step(L, incoming) ^ zeros(outgoing byte followed by n zeros).
class RollingWindow {
  public:
    RollingWindow(std::uint64_t windowLength, std::uint32_t firstCrc, std::uint32_t wantedCrc) {
        const std::uint32_t zeros = ZeroBytesOperator(windowLength);
        const std::uint32_t bias = ~MultiplyModPoly(zeros, 0xFFFFFFFFu);
        for (std::size_t b = 0; b < 256; ++b) {
            outgoing_[b] = MultiplyModPoly(zeros, kByteTable[b]);
        }
        target_ = wantedCrc ^ bias;
        reg_ = firstCrc ^ bias;
    }

    // True when the window after the slide has the wanted CRC.
    bool Slide(std::uint8_t out, std::uint8_t in) {
        reg_ = kByteTable[(reg_ ^ in) & 0xFFu] ^ (reg_ >> 8) ^ outgoing_[out];
        return reg_ == target_;
    }

  private:
    std::array<std::uint32_t, 256> outgoing_{};
    std::uint32_t target_ = 0;
    std::uint32_t reg_ = 0;
};

// Reads one file forwards from a position, a chunk at a time; two of them on one file give
// the bytes entering and leaving the window.
class ChunkReader {
  public:
    ChunkReader(int fd, std::uint64_t position, std::size_t chunkSize)
        : fd_(fd), position_(position), chunk_(chunkSize) {}

    // The next byte; false at a read error or the end of the file.
    bool Next(std::uint8_t& byte) {
        if (next_ == filled_ && !Fill())
            return false;
        byte = chunk_[next_++];
        return true;
    }

  private:
    bool Fill() {
        for (;;) {
            const ssize_t got =
                ::pread(fd_, chunk_.data(), chunk_.size(), static_cast<off_t>(position_));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            position_ += static_cast<std::uint64_t>(got);
            filled_ = static_cast<std::size_t>(got);
            next_ = 0;
            return true;
        }
    }

    int fd_;
    std::uint64_t position_;
    std::vector<std::uint8_t> chunk_;
    std::size_t filled_ = 0;
    std::size_t next_ = 0;
};

}  // namespace

std::optional<std::size_t> FindCrcWindowOffset(const std::uint8_t* buffer, std::size_t length,
                                               std::size_t wantedLength, std::uint32_t wantedCrc) {
    if (buffer == nullptr || length == 0 || wantedLength == 0 || length < wantedLength) {
        return std::nullopt;
    }
    const std::uint32_t first = Crc32(0, buffer, wantedLength);
    if (first == wantedCrc) {
        return 0;
    }
    if (length == wantedLength) {
        return std::nullopt;
    }
    RollingWindow window(wantedLength, first, wantedCrc);
    for (std::size_t offset = 1; offset + wantedLength <= length; ++offset) {
        if (window.Slide(buffer[offset - 1], buffer[offset + wantedLength - 1])) {
            return offset;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FindCrcWindowInFile(const std::string& path,
                                                 std::uint64_t wantedLength,
                                                 std::uint32_t wantedCrc, std::size_t chunkSize) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    const auto length = static_cast<std::uint64_t>(status.st_size);
    if (length == 0 || wantedLength == 0 || length < wantedLength || chunkSize == 0) {
        return std::nullopt;
    }

    ChunkReader in(file.Get(), 0, chunkSize);
    std::vector<std::uint8_t> piece(chunkSize);
    std::uint32_t first = 0;
    for (std::uint64_t done = 0; done < wantedLength;) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(wantedLength - done, piece.size()));
        for (std::size_t i = 0; i < count; ++i) {
            if (!in.Next(piece[i])) {
                return std::nullopt;
            }
        }
        first = Crc32(first, piece.data(), count);
        done += count;
    }
    if (first == wantedCrc) {
        return 0;
    }
    RollingWindow window(wantedLength, first, wantedCrc);
    ChunkReader out(file.Get(), 0, chunkSize);
    for (std::uint64_t offset = 1; offset + wantedLength <= length; ++offset) {
        std::uint8_t leaving = 0;
        std::uint8_t entering = 0;
        if (!out.Next(leaving) || !in.Next(entering)) {
            return std::nullopt;
        }
        if (window.Slide(leaving, entering)) {
            return offset;
        }
    }
    return std::nullopt;
}

}  // namespace vextral
