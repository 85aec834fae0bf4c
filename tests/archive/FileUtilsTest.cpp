#include "archive/FileUtils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "platform/FileSystem.h"
#include "support/FolderBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::FolderBuilder;
using test::ReadTree;
using test::TempFolder;
using Tree = std::map<std::string, std::string>;

TEST(FileUtilsTest, SplitsPathsAtAnySeparator) {
    EXPECT_EQ(FileNamePart("/roms/abc.zip"), "abc.zip");
    EXPECT_EQ(FileNamePart("C:\\roms\\abc.zip"), "abc.zip");
    EXPECT_EQ(FileNamePart("/roms/"), "");
    EXPECT_EQ(FileNamePart(""), "");
    EXPECT_EQ(FileNamePart("abc"), "abc");
    EXPECT_EQ(FileNamePart("a:b"), "b");
    EXPECT_EQ(FileNamePart("dir\\sub/x.rom"), "x.rom");
    // The first character is never taken as a separator.
    EXPECT_EQ(FileNamePart("/abc"), "/abc");

    EXPECT_EQ(FolderPart("/roms/abc.zip"), "/roms/");
    EXPECT_EQ(FolderPart("roms/abc.zip"), "roms/");
    EXPECT_EQ(FolderPart("roms\\abc.zip"), "roms/");
    EXPECT_EQ(FolderPart("abc.zip"), "");
    EXPECT_EQ(FolderPart(""), "");
    EXPECT_EQ(FolderPart("/abc"), "/");
    EXPECT_EQ(FolderPart("c:abc"), "c/");
    // The last '/' wins over any '\' or ':' after it.
    EXPECT_EQ(FolderPart("a/b\\c:d"), "a/");
}

TEST(FileUtilsTest, DeleteFileForcedRemovesReadOnlyFilesButNoFolders) {
    TempFolder temp;
    FolderBuilder tree(temp.Path());
    tree.File("ro.rom", "x").ReadOnly("ro.rom").Folder("dir").File("target", "keep");
    tree.Link("link", temp / "target").ReadOnly("target");

    EXPECT_TRUE(DeleteFileForced(temp / "ro.rom"));
    EXPECT_FALSE(DeleteFileForced(temp / "ro.rom"));
    EXPECT_FALSE(DeleteFileForced(temp / "dir"));
    EXPECT_TRUE(DeleteFileForced(temp / "link"));
    // Deleting a link neither deletes nor unlocks what it points to.
    struct stat info {};
    ASSERT_EQ(::stat((temp / "target").c_str(), &info), 0);
    EXPECT_FALSE(info.st_mode & S_IWUSR);
    EXPECT_EQ(ReadTree(temp.Path()), (Tree{{"dir/", ""}, {"target", "keep"}}));
}

TEST(FileUtilsTest, RemoveFolderTreeEmptiesReadOnlyFoldersWithoutFollowingLinks) {
    TempFolder temp;
    FolderBuilder outside(temp / "outside");
    outside.File("precious", "data");
    FolderBuilder tree(temp / "set");
    tree.File("a.rom", "1").ReadOnly("a.rom").File("sub/deeper/b.rom", "2");
    tree.ReadOnly("sub/deeper/b.rom").ReadOnly("sub/deeper").ReadOnly("sub");
    tree.Link("linked", outside.Root()).Link("dangling", temp / "nothing");

    EXPECT_TRUE(RemoveFolderTree(temp / "set/"));
    EXPECT_FALSE(PathExists(temp / "set"));
    EXPECT_EQ(ReadTree(temp.Path()), (Tree{{"outside/", ""}, {"outside/precious", "data"}}));
    EXPECT_FALSE(RemoveFolderTree(temp / "set"));
    EXPECT_FALSE(RemoveFolderTree(temp / "outside/precious"));
}

TEST(FileUtilsTest, CopyTreeCopiesTheNamedEntryOrTheFolderContents) {
    TempFolder temp;
    FolderBuilder source(temp / "roms");
    source.File("abc/a.rom", "A").File("abc/sub/b.rom", "B").File("top.rom", "T");
    source.ReadOnly("top.rom");
    FolderBuilder(temp / "backup").File("abc/a.rom", "old").File("abc/extra", "E");

    CopyTree(temp / "roms/abc", temp / "backup/");
    CopyTree(temp / "roms/top.rom", temp / "backup");
    EXPECT_EQ(ReadTree(temp / "backup"), (Tree{{"abc/", ""},
                                               {"abc/a.rom", "A"},
                                               {"abc/extra", "E"},
                                               {"abc/sub/", ""},
                                               {"abc/sub/b.rom", "B"},
                                               {"top.rom", "T"}}));

    FolderBuilder(temp / "new");
    CopyTree(temp / "roms/abc/", temp / "new");
    EXPECT_EQ(ReadTree(temp / "new"), (Tree{{"a.rom", "A"}, {"sub/", ""}, {"sub/b.rom", "B"}}));
    // A copy replacing a read-only file must still be possible later.
    CopyTree(temp / "roms/top.rom", temp / "backup");
    EXPECT_TRUE(DeleteFileForced(temp / "backup/top.rom"));
}

TEST(FileUtilsTest, CopyTreeIntoAMissingFolderCopiesNothing) {
    TempFolder temp;
    FolderBuilder(temp / "roms").File("one.rom", "1").File("set/two.rom", "2");
    CopyTree(temp / "roms/one.rom", temp / "missing");
    CopyTree(temp / "roms/set", temp / "missing/");
    CopyTree(temp / "roms/", temp / "missing");
    CopyTree(temp / "roms/nothing", temp.Path());
    EXPECT_FALSE(PathExists(temp / "missing"));
    EXPECT_FALSE(PathExists(temp / "nothing"));
}

TEST(FileUtilsTest, CopyTreeCopiesLinkedFilesAndSkipsLinkedFolders) {
    TempFolder temp;
    FolderBuilder(temp / "elsewhere").File("big/x.rom", "X").File("file.rom", "F");
    FolderBuilder source(temp / "src");
    source.Link("file.rom", temp / "elsewhere/file.rom").Link("big", temp / "elsewhere/big");
    FolderBuilder(temp / "dst");
    CopyTree(temp / "src/", temp / "dst");
    EXPECT_EQ(ReadTree(temp / "dst"), (Tree{{"file.rom", "F"}}));
    EXPECT_FALSE(IsSymbolicLink(temp / "dst/file.rom"));
}

TEST(FileUtilsTest, CopyTreeIntoItsOwnSubfolderEnds) {
    TempFolder temp;
    FolderBuilder(temp / "set").File("a.rom", "A").Folder("copy");
    CopyTree(temp / "set/", temp / "set/copy");
    CopyTree(temp / "set", temp / "set/copy");
    EXPECT_EQ(ReadTree(temp / "set"), (Tree{{"a.rom", "A"}, {"copy/", ""}, {"copy/a.rom", "A"}}));
}

}  // namespace
}  // namespace vextral
