#include "platform/FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "support/CurrentFolder.h"
#include "support/FolderBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::FolderBuilder;
using test::ReadFile;
using test::ReadTree;
using test::TempFolder;

TEST(WildcardMatchTest, MatchesLikeTheFolderListingOfTheDesktopSystem) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.zip", "pacman.zip", true},
        {"*.zip", "PACMAN.ZIP", true},
        {"*.zip", "pacman.zip7", false},
        {"*.zip", "pacman", false},
        {"*.*", "pacman", true},
        {"*.*", "a.b.c", true},
        {"*.*", ".hidden", true},
        {"pac*.*", "pacman", true},
        {"pac*.*", "pa", false},
        {"?", "a", true},
        {"?", "", false},
        {"?", "ab", false},
        {"a?c", "ABC", true},
        {"a?c", "abd", false},
        {"**a**", "xax", true},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"", "", true},
        {"", "a", false},
        {"*", "", true},
        {"abc", "abc ", false},
        {"\xE9*", "\xC9t\xE9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches)
            << "pattern " << c.pattern << " name " << c.name;
    }
}

TEST(WildcardMatchTest, PathologicalPatternFinishesQuickly) {
    const std::string name(20000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WildcardMatch("a*a*a*a*a*a*a*a*b", name));
    EXPECT_TRUE(WildcardMatch("a*a*a*a*a*a*a*a*a", name));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ListFolderTest, SortsByUnsignedBytesAndMarksFolders) {
    TempFolder temp;
    FolderBuilder tree(temp.Path());
    tree.File("b.zip", "").File("B.zip", "").File("\xE9t\xE9", "").Folder("a").File(".dot", "");
    tree.Link("linkToFolder", temp / "a").Link("linkToNothing", temp / "missing");

    std::vector<std::string> names;
    std::vector<std::string> folders;
    for (const DirEntry& e : ListFolder(temp.Path())) {
        names.push_back(e.name);
        if (e.isFolder)
            folders.push_back(e.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{".dot", "B.zip", "a", "b.zip", "linkToFolder",
                                               "linkToNothing", "\xE9t\xE9"}));
    EXPECT_EQ(folders, (std::vector<std::string>{"a", "linkToFolder"}));
    EXPECT_EQ(ListFolder(temp.Path()).size(), ListFolder(temp / "").size());
    EXPECT_TRUE(ListFolder(temp / "missing").empty());

    const auto zips = ListMatching(temp.Path(), "*.ZIP");
    ASSERT_EQ(zips.size(), 2u);
    EXPECT_EQ(zips[0].name, "B.zip");
}

TEST(ResolveIgnoringCaseTest, ExactNameWinsElseFirstInByteOrder) {
    TempFolder temp;
    FolderBuilder(temp.Path())
        .File("PacMan.zip", "1")
        .File("pacman.ZIP", "2")
        .File("galaga.zip", "")
        .Folder("Roms");
    EXPECT_EQ(ResolveIgnoringCase(temp / "pacman.ZIP"), temp / "pacman.ZIP");
    EXPECT_EQ(ResolveIgnoringCase(temp / "PACMAN.zip"), temp / "PacMan.zip");
    EXPECT_EQ(ResolveIgnoringCase(temp / "GALAGA.ZIP"), temp / "galaga.zip");
    EXPECT_EQ(ResolveIgnoringCase(temp / "roms/"), temp / "Roms/");
    EXPECT_EQ(ResolveIgnoringCase(temp / "pacman"), std::nullopt);
    // Only the last component is looked up; the folder part is taken as typed.
    EXPECT_EQ(ResolveIgnoringCase(temp / "ROMS/x"), std::nullopt);

    const std::string previous = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(temp.Path()));
    EXPECT_EQ(ResolveIgnoringCase("Galaga.Zip"), "galaga.zip");
    ASSERT_TRUE(SetCurrentFolder(previous));
}

TEST(RenameNoReplaceTest, NeverReplacesAFileOrFolder) {
    TempFolder temp;
    FolderBuilder tree(temp.Path());
    tree.File("a.rom", "A").File("b.rom", "B").Folder("x/inner").Folder("y");

    EXPECT_FALSE(RenameNoReplace(temp / "a.rom", temp / "b.rom"));
    EXPECT_FALSE(RenameNoReplace(temp / "x", temp / "y"));
    EXPECT_FALSE(RenameNoReplace(temp / "a.rom", temp / "y"));
    EXPECT_FALSE(RenameNoReplace(temp / "missing", temp / "c.rom"));
    EXPECT_EQ(ReadTree(temp.Path()),
              (std::map<std::string, std::string>{
                  {"a.rom", "A"}, {"b.rom", "B"}, {"x/", ""}, {"x/inner/", ""}, {"y/", ""}}));

    EXPECT_TRUE(RenameNoReplace(temp / "a.rom", temp / "c.rom"));
    EXPECT_TRUE(RenameNoReplace(temp / "x", temp / "z"));
    EXPECT_EQ(ReadFile(temp / "c.rom"), "A");
    EXPECT_TRUE(IsFolder(temp / "z/inner"));
    EXPECT_FALSE(PathExists(temp / "a.rom"));
}

TEST(RenameNoReplaceTest, ChangesOnlyTheCase) {
    TempFolder temp;
    FolderBuilder(temp.Path()).File("ABC.ROM", "data").Folder("SET");
    EXPECT_TRUE(RenameNoReplace(temp / "ABC.ROM", temp / "abc.rom"));
    EXPECT_TRUE(RenameNoReplace(temp / "SET", temp / "set"));
    EXPECT_EQ(ReadTree(temp.Path()),
              (std::map<std::string, std::string>{{"abc.rom", "data"}, {"set/", ""}}));
}

TEST(CopyFileToTest, ReplacesOnlyWhenAsked) {
    TempFolder temp;
    FolderBuilder tree(temp.Path());
    tree.File("src", "new contents").File("dst", "old").ReadOnly("src");

    EXPECT_FALSE(CopyFileTo(temp / "src", temp / "dst", CopyMode::KeepExisting));
    EXPECT_EQ(ReadFile(temp / "dst"), "old");
    EXPECT_TRUE(CopyFileTo(temp / "src", temp / "dst", CopyMode::ReplaceExisting));
    EXPECT_EQ(ReadFile(temp / "dst"), "new contents");
    EXPECT_TRUE(CopyFileTo(temp / "src", temp / "fresh", CopyMode::KeepExisting));
    EXPECT_EQ(ReadFile(temp / "fresh"), "new contents");

    struct stat info {};
    ASSERT_EQ(::stat((temp / "fresh").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
    EXPECT_FALSE(CopyFileTo(temp / "missing", temp / "other", CopyMode::ReplaceExisting));
    EXPECT_FALSE(CopyFileTo(temp / "src", temp / "no/such/folder", CopyMode::ReplaceExisting));
    // No temporary file stays behind, whatever the outcome.
    EXPECT_EQ(ListFolder(temp.Path()).size(), 3u);
}

TEST(CopyFileToTest, CopiesLargeFilesWhole) {
    TempFolder temp;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 131 % 251);
    FolderBuilder(temp.Path()).File("big", big);
    ASSERT_TRUE(CopyFileTo(temp / "big", temp / "copy", CopyMode::KeepExisting));
    EXPECT_EQ(ReadFile(temp / "copy"), big);
    EXPECT_EQ(FileLength(temp / "copy"), big.size());

    // A name at the length limit leaves no room for a temporary suffix.
    const std::string longName(255, 'n');
    ASSERT_TRUE(CopyFileTo(temp / "big", temp / longName, CopyMode::KeepExisting));
    EXPECT_EQ(FileLength(temp / longName), big.size());
    EXPECT_EQ(ListFolder(temp.Path()).size(), 3u);
}

TEST(CopyFileToTest, PartsReplaceEvenTheSourceButNeverBeyondItsEnd) {
    TempFolder temp;
    FolderBuilder(temp.Path()).File("rom", "head-WINDOW-tail");
    ::mkfifo((temp / "pipe").c_str(), 0600);
    EXPECT_FALSE(CopyFilePart(temp / "rom", FileRange{5, 12}, temp / "x", CopyMode::KeepExisting));
    EXPECT_TRUE(
        CopyFilePart(temp / "rom", FileRange{5, 6}, temp / "rom", CopyMode::ReplaceExisting));
    EXPECT_EQ(ReadFile(temp / "rom"), "WINDOW");
    // A pipe is refused at once instead of waiting for a writer.
    EXPECT_FALSE(CopyFileTo(temp / "pipe", temp / "y", CopyMode::KeepExisting));
    EXPECT_TRUE(DeleteFile(temp / "pipe"));
    EXPECT_EQ(ReadTree(temp.Path()), (std::map<std::string, std::string>{{"rom", "WINDOW"}}));
}

TEST(FileSystemTest, ATreeIsReadableOnlyWhenEveryFolderListsAndEveryFileOpens) {
    TempFolder temp;
    FolderBuilder(temp.Path()).File("tree/a/file", "x").Folder("tree/b").Link("tree/l", "/nowhere");
    ::mkfifo((temp / "tree/pipe").c_str(), 0600);
    EXPECT_TRUE(IsReadableTree(temp / "tree"));
    EXPECT_FALSE(IsReadableTree(temp / "missing"));
    EXPECT_FALSE(TryListFolder(temp / "missing").has_value());
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    ::chmod((temp / "tree/b").c_str(), 0);
    EXPECT_FALSE(IsReadableTree(temp / "tree"));
    ::chmod((temp / "tree/b").c_str(), 0700);
    ::chmod((temp / "tree/a/file").c_str(), 0);
    EXPECT_FALSE(IsReadableTree(temp / "tree"));
    ::chmod((temp / "tree/a/file").c_str(), 0600);
}

TEST(FileSystemTest, MakeOwnerWritableKeepsTimeStampAndOtherBits) {
    TempFolder temp;
    FolderBuilder(temp.Path()).File("f", "x");
    const std::string path = temp / "f";
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    EXPECT_TRUE(MakeOwnerWritable(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);
    EXPECT_FALSE(MakeOwnerWritable(temp / "missing"));
}

TEST(FileSystemTest, FoldersAndFileQueries) {
    TempFolder temp;
    EXPECT_TRUE(CreateFolderTree(temp / "a/b/c/"));
    EXPECT_TRUE(CreateFolder(temp / "a/b"));
    EXPECT_FALSE(CreateFolder(temp / "x/y"));
    FolderBuilder(temp.Path()).File("a/f", "12345");
    EXPECT_FALSE(CreateFolderTree(temp / "a/f/g"));
    EXPECT_EQ(FileLength(temp / "a/f"), 5u);
    EXPECT_EQ(FileLength(temp / "a"), std::nullopt);
    EXPECT_TRUE(IsRegularFile(temp / "a/f"));
    EXPECT_FALSE(IsFolder(temp / "a/f"));
    EXPECT_FALSE(RemoveEmptyFolder(temp / "a/b"));
    EXPECT_TRUE(RemoveEmptyFolder(temp / "a/b/c"));
    EXPECT_TRUE(DeleteFile(temp / "a/f"));
    EXPECT_FALSE(DeleteFile(temp / "a/f"));
}

TEST(CanonicalPathTest, NormalisesAndResolvesTheExistingPart) {
    TempFolder temp;
    FolderBuilder tree(temp.Path());
    tree.Folder("real/sub").Link("link", temp / "real");
    const std::string real = CanonicalPath(temp / "real");

    EXPECT_EQ(CanonicalPath(temp / "link/sub/../new/./x/"), real + "/new/x/");
    EXPECT_EQ(CanonicalPath(temp / "link"), real);
    EXPECT_EQ(CanonicalPath("/"), "/");
    EXPECT_EQ(CanonicalPath("/../.."), "/");

    const std::string previous = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(temp / "link/sub"));
    EXPECT_EQ(CurrentFolder(), real + "/sub/");
    EXPECT_EQ(CanonicalPath("../missing"), real + "/missing");
    EXPECT_EQ(CanonicalPath("."), real + "/sub");
    ASSERT_TRUE(SetCurrentFolder(previous));
    EXPECT_FALSE(SetCurrentFolder(temp / "missing"));
}

}  // namespace
}  // namespace vextral
