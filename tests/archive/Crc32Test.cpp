#include "archive/Crc32.h"

#include <gtest/gtest.h>

#include "support/TempFolder.h"

namespace vextral::test {
namespace {

TEST(Crc32Test, KnownValuesAndContinuation) {
    EXPECT_EQ(Crc32(0, "abc", 3), 0x352441C2u);
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(Crc32(0, "ab", 2), "c", 1), 0x352441C2u);
    EXPECT_EQ(Crc32(0, "", 0), 0u);
    EXPECT_EQ(Crc32(0x1234, nullptr, 100), 0u);
}

TEST(Crc32Test, FileCrcCoversTheWholeFileInChunks) {
    TempFolder temp;
    // Larger than one read chunk, with every chunk different.
    std::string contents;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        contents.push_back(static_cast<char>(i * 7));
    const std::string path = WriteFile(temp / "big.bin", contents);

    std::uint64_t length = 0;
    EXPECT_EQ(FileCrc(path, &length), Crc32(0, contents.data(), contents.size()));
    EXPECT_EQ(length, contents.size());
    EXPECT_EQ(FileCrc(WriteFile(temp / "abc", "abc")), 0x352441C2u);

    length = 99;
    EXPECT_EQ(FileCrc(WriteFile(temp / "empty", ""), &length), 0u);
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_EQ(FileCrc(temp / "missing", &length), 0u);
    EXPECT_EQ(length, 0u);
    length = 99;
    EXPECT_EQ(FileCrc(temp.Path(), &length), 0u);
    EXPECT_EQ(length, 0u);
}

}  // namespace
}  // namespace vextral::test
