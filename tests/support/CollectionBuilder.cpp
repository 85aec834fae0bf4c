#include "support/CollectionBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "archive/Crc32.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral::test {

namespace {

std::uint32_t CrcOfBytes(const std::string& data) {
    return Crc32(0, data.data(), data.size());
}

}  // namespace

std::string DataWithCrc(std::uint32_t crc, std::size_t length, char seed) {
    if (length < 4) {
        ADD_FAILURE() << "a forged file needs at least 4 bytes";
        return std::string(length, seed);
    }
    std::string data(length, '\0');
    for (std::size_t i = 0; i + 4 < length; ++i)
        data[i] = static_cast<char>(seed + static_cast<char>(i % 23));

    // The CRC of the data is affine in the last 32 bits: solve for them over GF(2).
    const auto crcWithTail = [&](std::uint32_t tail) {
        for (int b = 0; b < 4; ++b)
            data[length - 4 + b] = static_cast<char>((tail >> (8 * b)) & 0xFF);
        return CrcOfBytes(data);
    };
    const std::uint32_t base = crcWithTail(0);
    std::array<std::uint32_t, 32> columns{};  // effect of each tail bit
    for (int bit = 0; bit < 32; ++bit)
        columns[bit] = crcWithTail(std::uint32_t{1} << bit) ^ base;

    // Gaussian elimination; rows track which tail bits make up each column combination.
    std::array<std::uint32_t, 32> combos{};
    for (int bit = 0; bit < 32; ++bit)
        combos[bit] = std::uint32_t{1} << bit;
    std::uint32_t want = crc ^ base;
    std::uint32_t tail = 0;
    for (int pivotBit = 0; pivotBit < 32; ++pivotBit) {
        const std::uint32_t mask = std::uint32_t{1} << pivotBit;
        int row = -1;
        for (int r = pivotBit; r < 32; ++r) {
            if (columns[r] & mask) {
                row = r;
                break;
            }
        }
        if (row < 0)
            continue;
        std::swap(columns[row], columns[pivotBit]);
        std::swap(combos[row], combos[pivotBit]);
        for (int r = 0; r < 32; ++r) {
            if (r != pivotBit && (columns[r] & mask)) {
                columns[r] ^= columns[pivotBit];
                combos[r] ^= combos[pivotBit];
            }
        }
    }
    for (int bit = 0; bit < 32; ++bit) {
        if (want & (std::uint32_t{1} << bit)) {
            tail ^= combos[bit];
            want ^= columns[bit];
        }
    }
    crcWithTail(tail);
    EXPECT_EQ(CrcOfBytes(data), crc) << "forging failed";
    return data;
}

CollectionBuilder::CollectionBuilder(std::string folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
}

CollectionBuilder& CollectionBuilder::ZipSet(const std::string& setName,
                                             const std::vector<SetFile>& files) {
    ZipBuilder zip;
    for (const SetFile& file : files)
        zip.Add(file.name, file.data);
    zip.Write(folder_ + setName + ".zip");
    return *this;
}

CollectionBuilder& CollectionBuilder::FolderSet(const std::string& setName,
                                                const std::vector<SetFile>& files) {
    std::filesystem::create_directories(folder_ + setName);
    for (const SetFile& file : files)
        WriteFile(folder_ + setName + "/" + file.name, file.data);
    return *this;
}

CollectionBuilder& CollectionBuilder::File(const std::string& name, const std::string& data) {
    WriteFile(folder_ + name, data);
    return *this;
}

CollectionBuilder& CollectionBuilder::Folder(const std::string& name) {
    std::filesystem::create_directories(folder_ + name);
    return *this;
}

}  // namespace vextral::test
