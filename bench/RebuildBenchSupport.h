#pragma once
// Shared pieces of the rebuild and merge benchmarks: silent front-end seams, a tiny stored
// zip writer, a clock, and deterministic data.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "archive/Crc32.h"
#include "ui/Dialogs.h"
#include "ui/ResultSink.h"

namespace vextral::bench {

class SilentDialogs final : public Dialogs {
  public:
    MessageResult ShowMessage(const std::string& text, const std::string&, MessageIcon,
                              MessageButtons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return MessageResult::Ok;
    }
    AskAnswer AskUser(const std::string&, const std::string&) override { return AskAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

class SilentResults final : public ResultSink {
  public:
    void AddResultLine(const std::string&, bool, int) override {}
    void ClearResults() override {}
};

class Stopwatch {
  public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    // This process's processor time: on a busy machine the fairer comparison.
    double CpuSeconds() const {
        return static_cast<double>(std::clock() - cpuStart_) / CLOCKS_PER_SEC;
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::clock_t cpuStart_ = std::clock();
};

// Bytes that compress about as well as typical ROM images: random runs mixed with repeats.
inline std::string MakeData(std::uint64_t seed, std::size_t size) {
    std::string data(size, '\0');
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = 0; i < size; i += 64) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        const std::size_t n = std::min<std::size_t>(64, size - i);
        if (i >= 64 && (x & 1)) {
            const std::size_t back = 64 * (1 + (x >> 8) % std::min<std::size_t>(4, i / 64));
            std::copy_n(data.data() + (i - back), n, data.data() + i);  // back >= n: no overlap
            continue;
        }
        std::uint64_t y = x;
        for (std::size_t k = 0; k < n; ++k) {
            y = y * 6364136223846793005ull + 1442695040888963407ull;
            data[i + k] = static_cast<char>(y >> 56);
        }
    }
    return data;
}

// A zip archive with stored members, written in one go.
inline bool WriteStoredZip(const std::string& path,
                           const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out;
    std::string central;
    const auto put16 = [](std::string& s, std::uint32_t v) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    const auto put32 = [&](std::string& s, std::uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    for (const auto& [name, data] : members) {
        const std::uint32_t crc = Crc32(0, data.data(), data.size());
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto offset = static_cast<std::uint32_t>(out.size());
        put32(out, 0x04034b50);
        put16(out, 10), put16(out, 0), put16(out, 0), put16(out, 0), put16(out, 0);
        put32(out, crc), put32(out, size), put32(out, size);
        put16(out, static_cast<std::uint32_t>(name.size())), put16(out, 0);
        out += name;
        out += data;
        put32(central, 0x02014b50);
        put16(central, 20), put16(central, 10), put16(central, 0), put16(central, 0);
        put16(central, 0), put16(central, 0);
        put32(central, crc), put32(central, size), put32(central, size);
        put16(central, static_cast<std::uint32_t>(name.size()));
        put16(central, 0), put16(central, 0), put16(central, 0), put16(central, 0);
        put32(central, 0), put32(central, offset);
        central += name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0), put16(out, 0);
    put16(out, static_cast<std::uint32_t>(members.size()));
    put16(out, static_cast<std::uint32_t>(members.size()));
    put32(out, static_cast<std::uint32_t>(central.size())), put32(out, centralOffset);
    put16(out, 0);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

inline bool WritePlainFile(const std::string& path, const std::string& data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace vextral::bench
