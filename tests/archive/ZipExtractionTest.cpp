#include "archive/ZipExtraction.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "archive/Crc32.h"
#include "archive/ZipReader.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// The address space this process uses now.
std::uint64_t AddressSpaceInUse() {
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

class ZipExtractionTest : public ::testing::Test {
  protected:
    std::vector<ZipEntry> ListArchive(const ZipBuilder& builder) {
        std::vector<ZipEntry> entries;
        EXPECT_TRUE(ZipReader(dialogs).ReadZipDirectory(builder.Write(temp / "set.zip"), entries,
                                                        false, true));
        return entries;
    }
    bool Extract(const ZipEntry& entry, const std::string& name) {
        return ExtractZipEntry(entry, temp / name, dialogs);
    }
    // Only the archive and what the test itself put there: no half-written leftovers.
    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const DirEntry& entry : ListFolder(temp.Path()))
            names.push_back(entry.name);
        return names;
    }

    TempFolder temp;
    FakeDialogs dialogs;
};

TEST_F(ZipExtractionTest, StoredDeflatedAndEmptyMembersExtract) {
    const std::string text = "The quick brown fox " + std::string(4000, '.') + " end";
    ZipBuilder builder;
    builder.Add("stored.bin", "stored bytes").AddDeflated("dir/deflated.bin", text);
    builder.Add("empty.bin", "").AddDeflated("empty-deflated.bin", "");
    const std::vector<ZipEntry> entries = ListArchive(builder);
    ASSERT_EQ(entries.size(), 4u);

    ASSERT_TRUE(Extract(entries[0], "out1"));
    EXPECT_EQ(ReadFile(temp / "out1"), "stored bytes");
    ASSERT_TRUE(Extract(entries[1], "out2"));
    EXPECT_EQ(ReadFile(temp / "out2"), text);
    ASSERT_TRUE(Extract(entries[2], "out3"));
    EXPECT_EQ(ReadFile(temp / "out3"), "");
    ASSERT_TRUE(Extract(entries[3], "out4"));
    EXPECT_EQ(ReadFile(temp / "out4"), "");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipExtractionTest, DamagedMembersWriteNothing) {
    const std::string data = std::string(3000, 'd') + "xyz";
    ZipBuilder builder;
    builder.Add("wrong-crc.bin", "abc");
    builder.Last().crc = 0x12345678;
    builder.AddDeflated("short.bin", data);
    builder.Last().size = static_cast<std::uint32_t>(data.size() - 1);
    builder.AddDeflated("long.bin", data);
    builder.Last().size = static_cast<std::uint32_t>(data.size() + 1);
    builder.AddDeflated("deflated-wrong-crc.bin", data);
    builder.Last().crc = 1;
    builder.Add("stored-size-beyond-data.bin", "abc");
    builder.Last().size = 4000;
    builder.AddDeflated("claims-4-gib.bin", data);
    builder.Last().size = 0xfffffff0u;
    // Its bytes here happen to be plain, but an encrypted member's data is never taken.
    builder.Add("encrypted.bin", "abc");
    builder.Last().flags = 1;
    const std::vector<ZipEntry> entries = ListArchive(builder);
    ASSERT_EQ(entries.size(), 7u);

    for (const ZipEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        EXPECT_FALSE(Extract(entry, "out"));
    }
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"set.zip"});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipExtractionTest, CorruptDeflateStreamsFail) {
    const std::string data(1000, 'c');
    const std::string stream = DeflateRaw(data);
    std::vector<std::uint8_t> out(data.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());

    EXPECT_EQ(InflateBuffer(bytes, stream.size(), out.data(), out.size()), 0);
    EXPECT_EQ(std::string(out.begin(), out.end()), data);
    // Input left over after the end of the stream, or a stream cut short.
    const std::string padded = stream + "!";
    EXPECT_EQ(InflateBuffer(reinterpret_cast<const std::uint8_t*>(padded.data()), padded.size(),
                            out.data(), out.size()),
              -1);
    EXPECT_EQ(InflateBuffer(bytes, stream.size() - 1, out.data(), out.size()), -1);
    const std::uint8_t garbage[] = {0xff, 0xff, 0xff, 0xff};
    EXPECT_EQ(InflateBuffer(garbage, sizeof garbage, out.data(), out.size()), -1);
}

TEST_F(ZipExtractionTest, UnknownMethodIsRefusedNamingTheArchive) {
    ZipBuilder builder;
    builder.Add("imploded.bin", "abc");
    builder.Last().method = 6;
    const std::vector<ZipEntry> entries = ListArchive(builder);
    ASSERT_EQ(entries.size(), 1u);

    EXPECT_FALSE(Extract(entries[0], "out"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Unsupported Compressionmethod In File:\n\n" + temp / "set.zip");
    EXPECT_EQ(dialogs.messages[0].caption, "Vextral");
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(PathExists(temp / "out"));
}

TEST_F(ZipExtractionTest, MembersBeyondTheArchiveAreNotRead) {
    ZipEntry entry;
    entry.zipPath = WriteFile(temp / "small.zip", std::string(100, 'z'));
    entry.dataOffset = 50;
    entry.compressedSize = 51;
    EXPECT_FALSE(ReadZipEntryData(entry).has_value());
    entry.compressedSize = 50;
    ASSERT_TRUE(ReadZipEntryData(entry).has_value());
    EXPECT_EQ(ReadZipEntryData(entry)->size(), 50u);
    entry.zipPath = temp / "missing.zip";
    EXPECT_FALSE(ReadZipEntryData(entry).has_value());
}

TEST_F(ZipExtractionTest, ReadOnlyTargetIsKeptAndWrittenFilesAreWritable) {
    const std::vector<ZipEntry> entries = ListArchive(ZipBuilder().Add("a.bin", "new"));
    ASSERT_EQ(entries.size(), 1u);

    const std::string locked = WriteFile(temp / "locked", "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(Extract(entries[0], "locked"));
    EXPECT_EQ(ReadFile(locked), "old");

    const std::string writable = WriteFile(temp / "writable", "old contents, longer");
    ASSERT_TRUE(Extract(entries[0], "writable"));
    EXPECT_EQ(ReadFile(writable), "new");
    struct stat status {};
    ASSERT_EQ(::stat(writable.c_str(), &status), 0);
    EXPECT_NE(status.st_mode & S_IWUSR, 0u);

    EXPECT_FALSE(WriteFileFromBuffer(temp / "no/such/folder/file", "x", 1));
    EXPECT_FALSE(WriteFileFromBuffer(temp.Path() + ".", "x", 1));
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"locked", "set.zip", "writable"}));
}

TEST_F(ZipExtractionTest, BombMemberStreamsUnderAnAddressSpaceLimit) {
    if (kAddressSanitizer)
        GTEST_SKIP() << "the address sanitizer reserves more address space than any limit";
    // 1.7 MB inflating to 256 MiB, extracted and checksummed with 64 MiB of room.
    constexpr std::uint64_t kInflated = std::uint64_t{256} << 20;
    ZipBuilder builder;
    builder.Add("bomb.bin", "");
    builder.Last().payload = DeflatedZeros(kInflated);
    builder.Last().method = 8;
    builder.Last().size = kInflated;
    builder.Last().crc = CrcOfZeros(kInflated);
    const std::vector<ZipEntry> entries = ListArchive(builder);
    ASSERT_EQ(entries.size(), 1u);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = AddressSpaceInUse() + (rlim_t{64} << 20);
        const rlimit bound{limit, limit};
        std::uint64_t length = 0;
        const bool ok = ::setrlimit(RLIMIT_AS, &bound) == 0 && Extract(entries[0], "out") &&
                        FileCrc(temp / "out", &length) == entries[0].crc && length == kInflated;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace vextral::test
