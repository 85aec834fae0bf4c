// Times the search for a window with a given CRC-32: a 16 MiB buffer, an 8 MiB window at the
// far end (the worst case for a search that starts at offset 0).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "archive/Crc32.h"
#include "fixer/Fixer.h"

int main() {
    constexpr std::size_t kLength = 16u << 20;
    constexpr std::size_t kWanted = 8u << 20;
    std::vector<std::uint8_t> buffer(kLength);
    std::mt19937 random(42);
    for (auto& byte : buffer) {
        byte = static_cast<std::uint8_t>(random());
    }
    const std::size_t offset = kLength - kWanted;
    const std::uint32_t crc = vextral::Crc32(0, buffer.data() + offset, kWanted);

    const auto start = std::chrono::steady_clock::now();
    const bool found = vextral::Fixer::FindCrcWindow(buffer.data(), kLength, kWanted, crc);
    const auto stop = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(stop - start).count();

    const bool moved = found && vextral::Crc32(0, buffer.data(), kWanted) == crc;
    std::printf("FindCrcWindow: 16 MiB buffer, 8 MiB window at offset %zu: %s in %.1f ms\n", offset,
                moved ? "found" : "NOT FOUND", ms);
    return moved ? 0 : 1;
}
