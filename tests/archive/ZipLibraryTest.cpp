#include "archive/ZipLibrary.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

#include "archive/Crc32.h"
#include "archive/Deflate.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "platform/FileSystem.h"
#include "support/FailingZipLibrary.h"
#include "support/FakeDialogs.h"
#include "support/FolderBuilder.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"
#include "support/ZipContents.h"

namespace vextral::test {
namespace {

using Tree = std::map<std::string, std::string>;

class ZipLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(library.Load()); }
    void TearDown() override { library.Release(); }

    std::vector<ZipEntry> List(const std::string& path) { return ListMembers(path, dialogs); }
    static std::vector<std::string> Names(const std::vector<ZipEntry>& entries) {
        std::vector<std::string> names;
        for (const ZipEntry& entry : entries)
            names.push_back(entry.storedName);
        return names;
    }
    // Stored name and contents of every member, in the archive's order.
    std::vector<std::pair<std::string, std::string>> Contents(const std::string& path) {
        std::vector<std::pair<std::string, std::string>> contents;
        for (const ZipEntry& entry : List(path)) {
            EXPECT_TRUE(ExtractZipEntry(entry, temp / "out", dialogs));
            contents.emplace_back(entry.storedName, ReadFile(temp / "out"));
        }
        (void)DeleteFile(temp / "out");  // none for an archive without members
        return contents;
    }

    TempFolder temp;
    FakeDialogs dialogs;
    ZipLibrary library;
};

TEST_F(ZipLibraryTest, AddedFilesAreDeflatedAndNeverReplaceAMember) {
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
    EXPECT_EQ(Contents(zip), (std::vector<std::pair<std::string, std::string>>{{"a.rom", big},
                                                                               {"b.rom", "tiny"}}));

    // A name the archive holds refuses the whole call; without junkPaths the path is kept.
    const std::string before = ReadFile(zip);
    WriteFile(b, "replaced");
    EXPECT_FALSE(library.AddFiles(zip, {b}, /*junkPaths=*/true));
    EXPECT_EQ(ReadFile(zip), before);
    ASSERT_TRUE(library.AddFiles(zip, {b}, /*junkPaths=*/false));
    EXPECT_EQ(List(zip).back().storedName, b.substr(1));
    EXPECT_FALSE(library.AddFiles(zip, {}, true));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipLibraryTest, DataDeflatedBeforehandIsStoredAsItIs) {
    // Empty, small, and longer than one read of the compressor.
    const std::vector<std::string> datas{"", "tiny", std::string(3 << 20, 'r') + "end"};
    const std::string zip = temp / "set.zip";
    std::vector<std::pair<std::string, std::string>> expected;
    const auto archive = library.Open(zip, ZipOpenMode::CreateWhenMissing);
    for (std::size_t i = 0; i < datas.size(); ++i) {
        const std::string name = std::to_string(i) + ".rom";
        auto deflated = DeflateFile(WriteFile(temp / name, datas[i]));
        ASSERT_TRUE(deflated) << i;
        EXPECT_EQ(deflated->crc, Crc32(0, datas[i].data(), datas[i].size())) << i;
        ASSERT_TRUE(archive->AddDeflated(std::make_shared<DeflatedData>(*deflated), name));
        expected.emplace_back(name, datas[i]);
    }
    ASSERT_TRUE(archive->Commit()) << archive->ErrorText();
    const std::vector<ZipEntry> entries = List(zip);
    ASSERT_EQ(entries.size(), datas.size());
    EXPECT_EQ(entries[2].method, 8);
    EXPECT_LT(entries[2].compressedSize, 100000u);
    EXPECT_EQ(Contents(zip), expected);

    std::string failure;
    EXPECT_FALSE(DeflateFile(temp / "missing.rom", &failure));
    EXPECT_FALSE(failure.empty());
}

TEST_F(ZipLibraryTest, OneTransactionActsOnMembersByIndexAndKeepsTheirOrder) {
    // Two members of one stored name are two members.
    const std::string zip = ZipBuilder()
                                .Add("A.BIN", "first")
                                .AddDeflated("A.BIN", "second")
                                .Add("junk.txt", "junk")
                                .Add("keep.rom", "keep")
                                .Write(temp / "set.zip");
    ::chmod(zip.c_str(), 0444);
    const std::vector<ZipEntry> listing = List(zip);
    const std::string cut = WriteFile(temp / "cut", "cut data");
    {
        const auto archive = library.Open(zip, ZipOpenMode::Existing);
        ASSERT_TRUE(archive->IsOpen());
        const auto first = archive->IndexOf(listing[0], listing);
        const auto second = archive->IndexOf(listing[1], listing);
        const auto junk = archive->IndexOf(listing[2], listing);
        ASSERT_TRUE(first && second && junk);
        EXPECT_NE(*first, *second);
        ASSERT_TRUE(archive->Rename(*second, "a.bin"));
        ASSERT_TRUE(archive->Replace(*first, cut));
        ASSERT_TRUE(archive->Delete(*junk));
        EXPECT_FALSE(archive->Rename(*first, "keep.rom"));  // a name another member bears
        EXPECT_FALSE(archive->ErrorText().empty());
        ASSERT_TRUE(archive->Commit());
    }
    EXPECT_EQ(Contents(zip),
              (std::vector<std::pair<std::string, std::string>>{
                  {"A.BIN", "cut data"}, {"a.bin", "second"}, {"keep.rom", "keep"}}));
    EXPECT_EQ(ReadTree(temp / ""), (Tree{{"cut", "cut data"}, {"set.zip", ReadFile(zip)}}));

    // Deleting the last members removes the archive.
    const std::vector<ZipEntry> rest = List(zip);
    {
        const auto archive = library.Open(zip, ZipOpenMode::Existing);
        for (const ZipEntry& entry : rest)
            ASSERT_TRUE(archive->Delete(*archive->IndexOf(entry, rest)));
        ASSERT_TRUE(archive->Commit());
    }
    EXPECT_FALSE(PathExists(zip));
    EXPECT_FALSE(PathExists(temp / ".vxt-work"));
}

TEST_F(ZipLibraryTest, MembersAreMappedByNameAndDataOrNotAtAll) {
    // The central directory lists two same-named members of different data the other way
    // round: the n-th by name is not the n-th by file order, and data tells them apart.
    const std::string swapped = ZipBuilder()
                                    .Add("a.rom", "one")
                                    .Add("a.rom", "two")
                                    .CentralReversed()
                                    .Write(temp / "swapped.zip");
    const std::vector<ZipEntry> listing = List(swapped);
    const auto archive = library.Open(swapped, ZipOpenMode::Existing);
    EXPECT_EQ(archive->IndexOf(listing[0], listing), std::optional<std::uint64_t>(1));
    EXPECT_EQ(archive->IndexOf(listing[1], listing), std::optional<std::uint64_t>(0));

    // Refused: an entry of another listing, a listing that misses a member of that name.
    ZipEntry stranger = listing[0];
    stranger.crc ^= 1;
    EXPECT_FALSE(archive->IndexOf(stranger, listing).has_value());
    EXPECT_FALSE(archive->IndexOf(stranger, {stranger}).has_value());
    EXPECT_FALSE(archive->IndexOf(listing[0], {listing[0]}).has_value());
}

TEST_F(ZipLibraryTest, EveryFailedStepLeavesTheArchiveByteForByte) {
    const std::string zip =
        ZipBuilder().Add("a.rom", "a").Add("b.rom", "b").Add("c.rom", "c").Write(temp / "s.zip");
    const std::string before = ReadFile(zip);
    const std::string file = WriteFile(temp / "new.rom", "new");
    const Tree tree = ReadTree(temp / "");

    FailingZipLibrary failing;
    const auto change = [&] {
        const std::vector<ZipEntry> listing = List(zip);
        const auto archive = failing.Open(zip, ZipOpenMode::Existing);
        const auto a = archive->IndexOf(listing[0], listing);
        const auto b = archive->IndexOf(listing[1], listing);
        const auto c = archive->IndexOf(listing[2], listing);
        return a && b && c && archive->Rename(*a, "x.rom") && archive->Replace(*b, file) &&
               archive->Delete(*c) && archive->Add(file, "n.rom") && archive->Commit();
    };
    for (failing.failStep = 1; failing.failStep <= 6; ++failing.failStep) {
        failing.steps = 0;
        EXPECT_FALSE(change()) << failing.failStep;
        EXPECT_EQ(ReadTree(temp / ""), tree) << failing.failStep;
    }
    EXPECT_EQ(ReadFile(zip), before);
    failing.failStep = 0;
    ASSERT_TRUE(change());
    EXPECT_EQ(Contents(zip), (std::vector<std::pair<std::string, std::string>>{
                                 {"x.rom", "a"}, {"b.rom", "new"}, {"n.rom", "new"}}));
}

TEST_F(ZipLibraryTest, LeftoversOfAKilledTransactionGoButLookAlikesStay) {
    const std::string zip = ZipBuilder().Add("a.rom", "a").Write(temp / "set.zip");
    FolderBuilder(temp.Path())
        .File(".vxt-work/set.zip", "a second name of the old archive")
        .File(".vxt-work/set.zip.k3Xq9Z", "libzip's partial output")
        .File("set.zip.k3Xq9Z", "the user's own file");
    const std::string file = WriteFile(temp / "b.rom", "b");
    ASSERT_TRUE(library.AddFiles(zip, {file}, true));
    EXPECT_EQ(ReadTree(temp / ""), (Tree{{"b.rom", "b"},
                                         {"set.zip", ReadFile(zip)},
                                         {"set.zip.k3Xq9Z", "the user's own file"}}));
    EXPECT_EQ(Names(List(zip)), (std::vector<std::string>{"a.rom", "b.rom"}));
    // Those of other archives go when the folder is cleared.
    FolderBuilder(temp.Path()).File(".vxt-work/other.zip.Zq81xW", "partial");
    RemoveZipLeftovers(temp.Path());
    EXPECT_FALSE(PathExists(temp / ".vxt-work"));

    // Nothing that cannot be opened is created; a missing archive is not made up.
    EXPECT_FALSE(library.Open(temp / "never.zip", ZipOpenMode::Existing)->IsOpen());
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
