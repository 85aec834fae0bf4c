#include "fixer/CrcWindow.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "archive/Crc32.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

std::optional<std::size_t> NaiveOffset(const std::vector<std::uint8_t>& data, std::size_t wanted,
                                       std::uint32_t crc) {
    if (data.empty() || wanted == 0 || data.size() < wanted) {
        return std::nullopt;
    }
    for (std::size_t offset = 0; offset + wanted <= data.size(); ++offset) {
        if (Crc32(0, data.data() + offset, wanted) == crc) {
            return offset;
        }
    }
    return std::nullopt;
}

TEST(CrcWindowTest, AgreesWithTheNaiveSearchOnPlantedAndRandomWindows) {
    // The file search reads in chunks far smaller than the windows, so that windows start,
    // end and slide across chunk boundaries.
    const test::TempFolder temp;
    const std::string file = temp / "rom";
    std::mt19937 random(1234);
    for (int round = 0; round < 300; ++round) {
        const std::size_t length = 1 + random() % 300;
        std::vector<std::uint8_t> data(length);
        for (auto& byte : data) {
            // Few distinct values, so that windows repeat and the lowest offset matters.
            byte = static_cast<std::uint8_t>(random() % (round % 2 ? 256 : 3));
        }
        const std::size_t wanted = 1 + random() % (length + 2);
        std::uint32_t crc = static_cast<std::uint32_t>(random());
        if (wanted <= length && round % 3 != 0) {
            // Planted: the window at a random offset, the first and the last among them.
            const std::size_t slots = length - wanted + 1;
            const std::size_t at = round % 3 == 1 ? random() % slots : (round % 2 ? 0 : slots - 1);
            crc = Crc32(0, data.data() + at, wanted);
        }
        const auto expected = NaiveOffset(data, wanted, crc);
        EXPECT_EQ(FindCrcWindowOffset(data.data(), length, wanted, crc), expected)
            << "length " << length << " wanted " << wanted;
        test::WriteFile(file, std::string(data.begin(), data.end()));
        const std::size_t chunk = 1 + round % 7;
        EXPECT_EQ(FindCrcWindowInFile(file, wanted, crc, chunk),
                  expected ? std::optional<std::uint64_t>(*expected) : std::nullopt)
            << "length " << length << " wanted " << wanted << " chunk " << chunk;
    }
}

TEST(CrcWindowTest, RefusesEmptyAndTooShortInput) {
    const std::vector<std::uint8_t> data{1, 2, 3};
    const std::uint32_t whole = Crc32(0, data.data(), data.size());
    EXPECT_EQ(FindCrcWindowOffset(data.data(), 3, 3, whole), 0u);
    EXPECT_EQ(FindCrcWindowOffset(data.data(), 3, 4, whole), std::nullopt);
    EXPECT_EQ(FindCrcWindowOffset(data.data(), 3, 0, 0), std::nullopt);
    EXPECT_EQ(FindCrcWindowOffset(data.data(), 0, 0, 0), std::nullopt);
    EXPECT_EQ(FindCrcWindowOffset(nullptr, 3, 1, 0), std::nullopt);
    EXPECT_EQ(FindCrcWindowInFile("/nonexistent/rom", 1, 0), std::nullopt);
}

}  // namespace
}  // namespace vextral
