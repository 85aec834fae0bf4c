// CRC-32 throughput over a 256 MiB buffer.
//   bench_crc32 [ROUNDS]

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "archive/Crc32.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    constexpr std::size_t kLength = std::size_t{256} << 20;
    std::vector<std::uint8_t> buffer(kLength);
    std::uint32_t state = 12345;
    for (std::uint8_t& byte : buffer) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }

    double best = 1e9;
    std::uint32_t crc = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        crc = vextral::Crc32(0, buffer.data(), buffer.size());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds);
    }
    std::printf("Crc32 over 256 MiB: %08x, best of %d: %.3f s, %.2f GB/s\n", crc, rounds, best,
                static_cast<double>(kLength) / best / 1e9);
    return 0;
}
