#include "fixer/CrcWindow.h"

#include <array>

#include "archive/Crc32.h"

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
std::uint32_t ZeroBytesOperator(std::size_t byteCount) {
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

    // Work with the bare register L(w) (start 0, no final inversion), which is linear in the
    // window's bytes: crc(w) = L(w) ^ bias, where bias depends only on the window length.
    // Sliding by one byte: L' = step(L, incoming) ^ zeros(outgoing byte followed by n zeros).
    const std::uint32_t zeros = ZeroBytesOperator(wantedLength);
    const std::uint32_t bias = ~MultiplyModPoly(zeros, 0xFFFFFFFFu);
    std::array<std::uint32_t, 256> outgoing{};
    for (std::size_t b = 0; b < 256; ++b) {
        outgoing[b] = MultiplyModPoly(zeros, kByteTable[b]);
    }

    const std::uint32_t target = wantedCrc ^ bias;
    std::uint32_t reg = first ^ bias;
    for (std::size_t offset = 1; offset + wantedLength <= length; ++offset) {
        const std::uint8_t in = buffer[offset + wantedLength - 1];
        const std::uint8_t out = buffer[offset - 1];
        reg = kByteTable[(reg ^ in) & 0xFFu] ^ (reg >> 8) ^ outgoing[out];
        if (reg == target) {
            return offset;
        }
    }
    return std::nullopt;
}

}  // namespace vextral
