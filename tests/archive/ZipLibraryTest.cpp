#include "archive/ZipLibrary.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral::test {
namespace {

class ZipLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(library.Load()); }
    void TearDown() override { library.Release(); }

    // The archive as our own reader sees it; fails the test when it cannot be walked.
    std::vector<ZipEntry> List(const std::string& path) {
        std::vector<ZipEntry> entries;
        EXPECT_TRUE(ZipReader(dialogs).ReadZipDirectory(path, entries, false, true));
        return entries;
    }
    static std::vector<std::string> Names(const std::vector<ZipEntry>& entries) {
        std::vector<std::string> names;
        for (const ZipEntry& entry : entries)
            names.push_back(entry.storedName);
        return names;
    }

    TempFolder temp;
    FakeDialogs dialogs;
    ZipLibrary library;
};

TEST_F(ZipLibraryTest, AddedFilesAreDeflatedAndReadBackByTheReader) {
    const std::string big = std::string(20000, 'r') + "end of rom";
    const std::string a = WriteFile(temp / "src/a.rom", big);
    const std::string b = WriteFile(temp / "src/sub/b.rom", "tiny");
    ::chmod(a.c_str(), 0444);
    const std::string zip = temp / "set.zip";

    ASSERT_TRUE(library.AddFiles(zip, {a, b}, /*junkPaths=*/true));
    std::vector<ZipEntry> entries = List(zip);
    ASSERT_EQ(Names(entries), (std::vector<std::string>{"a.rom", "b.rom"}));
    EXPECT_EQ(entries[0].method, 8);
    EXPECT_LT(entries[0].compressedSize, 1000u);
    ASSERT_TRUE(ExtractZipEntry(entries[0], temp / "out", dialogs));
    EXPECT_EQ(ReadFile(temp / "out"), big);
    ASSERT_TRUE(ExtractZipEntry(entries[1], temp / "out2", dialogs));
    EXPECT_EQ(ReadFile(temp / "out2"), "tiny");

    // A member of the same name is replaced; without junkPaths the folder part is kept.
    WriteFile(b, "replaced");
    ASSERT_TRUE(library.AddFiles(zip, {b}, /*junkPaths=*/true));
    ASSERT_TRUE(library.AddFiles(zip, {b}, /*junkPaths=*/false));
    entries = List(zip);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].name, "b.rom");
    EXPECT_EQ(entries[1].crc, CrcOf("replaced"));
    EXPECT_EQ(entries[2].storedName, b.substr(1));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipLibraryTest, DeletingMembersKeepsTheRestAndRemovesAnEmptyArchive) {
    ZipBuilder builder;
    builder.Add("keep.rom", "keep").Add("dir/gone.rom", "gone").Add("dup", "1").Add("dup", "2");
    const std::string zip = builder.Write(temp / "set.zip");
    ::chmod(zip.c_str(), 0444);

    ASSERT_TRUE(library.DeleteMembers(zip, {"dir/gone.rom", "dup"}));
    std::vector<ZipEntry> entries = List(zip);
    ASSERT_EQ(Names(entries), std::vector<std::string>{"keep.rom"});
    ASSERT_TRUE(ExtractZipEntry(entries[0], temp / "keep", dialogs));
    EXPECT_EQ(ReadFile(temp / "keep"), "keep");

    ASSERT_TRUE(library.DeleteMembers(zip, {"keep.rom"}));
    EXPECT_FALSE(PathExists(zip));
}

TEST_F(ZipLibraryTest, RefusedCallsLeaveTheArchiveByteIdentical) {
    const std::string zip = ZipBuilder().Add("a.rom", "a").Add("B.rom", "b").Write(temp / "s.zip");
    const std::string before = ReadFile(zip);

    EXPECT_FALSE(library.DeleteMembers(zip, {}));
    EXPECT_FALSE(library.AddFiles(zip, {}, true));
    EXPECT_FALSE(library.DeleteMembers(zip, {"a.rom", "missing.rom"}));
    EXPECT_FALSE(library.DeleteMembers(zip, {"b.rom"}));  // stored names match exactly
    EXPECT_FALSE(
        library.AddFiles(zip, {WriteFile(temp / "new.rom", "n"), temp / "absent.rom"}, true));
    EXPECT_EQ(ReadFile(zip), before);

    EXPECT_FALSE(library.AddFiles(temp / "never.zip", {}, true));
    EXPECT_FALSE(library.DeleteMembers(temp / "never.zip", {"a.rom"}));
    EXPECT_FALSE(PathExists(temp / "never.zip"));
}

TEST(ZipLibraryLoadTest, ReleaseIsSafeTwiceAndLoadAgainWorks) {
    ZipLibrary library;
    library.Release();
    ASSERT_TRUE(library.Load());
    library.Release();
    library.Release();
    EXPECT_TRUE(library.Load());
}

}  // namespace
}  // namespace vextral::test
