#include "fixer/BackupStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/FolderBuilder.h"
#include "support/TempFolder.h"

namespace vextral::test {
namespace {

// A file that can be copied but not removed (its folder is read-only, so the rename fails
// too) is not moved: the caller must not report it gone.
TEST(BackupStoreTest, AFileThatCannotBeRemovedIsNotMoved) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempFolder temp;
    FolderBuilder(temp / "roms/").File("abc/junk.txt", "junk");
    ASSERT_EQ(::chmod((temp / "roms/abc").c_str(), 0555), 0);
    const std::string programFolder = temp / "program/";
    const BackupStore store(programFolder);
    const auto moved = store.MoveFileIn(temp / "roms/abc/junk.txt", "abc", "junk.txt");
    ::chmod((temp / "roms/abc").c_str(), 0755);
    EXPECT_FALSE(moved.has_value());
    EXPECT_EQ(ReadFile(temp / "roms/abc/junk.txt"), "junk");
    EXPECT_EQ(ReadTree(temp / "program/backup.vxt/abc/"), (std::map<std::string, std::string>{}));
}

}  // namespace
}  // namespace vextral::test
