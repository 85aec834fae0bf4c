#include "scanner/CollectionIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/FakeDialogs.h"
#include "support/FolderBuilder.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral {
namespace {

using test::FakeDialogs;
using test::FolderBuilder;
using test::TempFolder;
using test::ZipBuilder;

// Two rom folders with a set zip and a set folder each. After a change the index is asked
// again: what depended on the changed path shows the change, the rest is still as kept.
class CollectionIndexTest : public ::testing::Test {
  protected:
    CollectionIndexTest() : root(CanonicalPath(temp.Path())), disk(root) {
        for (const char* folder : {"one/", "two/"}) {
            disk.File(std::string(folder) + "set/a.rom", "a");
            ZipBuilder().Add("a.rom", "a").Write(root + folder + "set.zip");
        }
    }

    std::size_t Members(const std::string& folder) {
        const auto members = index.SetZipMembers(index.Location(root + folder + "set")->zipPath);
        return members ? members->size() : 0;
    }

    TempFolder temp;
    std::string root;
    FolderBuilder disk;
    FakeDialogs dialogs;
    CollectionIndex index{dialogs};
};

TEST_F(CollectionIndexTest, AChangeDropsWhatDependsOnThePathAndNothingElse) {
    EXPECT_EQ(Members("one/"), 1u);
    EXPECT_EQ(Members("two/"), 1u);
    const std::uint32_t crcOne = index.LooseCrc(root + "one/set/a.rom");
    const std::uint32_t crcTwo = index.LooseCrc(root + "two/set/a.rom");

    // Both folders change on disk; only the first one's changes are told.
    for (const char* folder : {"one/", "two/"}) {
        ASSERT_TRUE(DeleteFile(root + folder + "set.zip"));
        disk.File(std::string(folder) + "set/a.rom", "changed");
    }
    index.Invalidate(root + "one/set.zip");
    index.Invalidate(root + "one/set/a.rom");

    EXPECT_FALSE(index.Location(root + "one/set")->hasZip);  // the listing holding it
    EXPECT_TRUE(index.Location(root + "two/set")->hasZip);   // kept
    EXPECT_NE(index.LooseCrc(root + "one/set/a.rom"), crcOne);
    EXPECT_EQ(index.LooseCrc(root + "two/set/a.rom"), crcTwo);
    EXPECT_EQ(Members("two/"), 1u);  // the kept listing, though the zip is gone

    index.InvalidateAll();
    EXPECT_NE(index.LooseCrc(root + "two/set/a.rom"), crcTwo);
    EXPECT_EQ(Members("two/"), 0u);
}

TEST_F(CollectionIndexTest, AnArchivesMessagesAreShownOncePerScan) {
    disk.File("bad/set.zip", "not a zip");
    const std::string zip = root + "bad/set.zip";
    EXPECT_EQ(index.SetZipMembers(zip), nullptr);
    const std::vector<std::string> once = dialogs.MessageTexts();
    ASSERT_FALSE(once.empty());
    EXPECT_EQ(index.SetZipMembers(zip), nullptr);
    EXPECT_EQ(dialogs.MessageTexts(), once);
    index.StartScan();
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(index.SetZipMembers(zip), nullptr);
    EXPECT_EQ(dialogs.MessageTexts(), twice);
}

}  // namespace
}  // namespace vextral
