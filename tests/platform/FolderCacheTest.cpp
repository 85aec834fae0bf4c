#include "platform/FolderCache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "support/FolderBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::FolderBuilder;
using test::TempFolder;

void SetModified(const std::string& path, std::time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> Names(const FolderListing& listing) {
    std::vector<std::string> names;
    for (const DirEntry& e : listing.Entries())
        names.push_back(e.name);
    return names;
}

TEST(FolderListingTest, FindPrefersExactNameThenFirstInByteOrder) {
    const FolderListing listing({{"ABC", false},
                                 {"Abc", true},
                                 {"PacMan.zip", false},
                                 {"abc", false},
                                 {"pacman.ZIP", false}},
                                true);
    ASSERT_NE(listing.Find("abc"), nullptr);
    EXPECT_EQ(listing.Find("abc")->name, "abc");
    EXPECT_EQ(listing.Find("Abc")->name, "Abc");
    EXPECT_EQ(listing.Find("aBC")->name, "ABC");
    EXPECT_EQ(listing.Find("PACMAN.zip")->name, "PacMan.zip");
    EXPECT_EQ(listing.Find("pacman"), nullptr);

    auto names = [](const std::vector<const DirEntry*>& found) {
        std::vector<std::string> result;
        for (const DirEntry* e : found)
            result.push_back(e->name);
        return result;
    };
    EXPECT_EQ(names(listing.Match("a*")), (std::vector<std::string>{"ABC", "Abc", "abc"}));
    EXPECT_EQ(names(listing.Match("*.zip")),
              (std::vector<std::string>{"PacMan.zip", "pacman.ZIP"}));
    EXPECT_EQ(names(listing.Match("ABc")), (std::vector<std::string>{"ABC"}));
    EXPECT_TRUE(listing.Match("x*").empty());
}

TEST(FolderCacheTest, ReusesAnUnchangedListingUntilInvalidated) {
    TempFolder temp;
    FolderBuilder tree(temp / "roms");
    tree.File("a.zip", "");
    SetModified(tree.Root(), std::time(nullptr) - 60);

    FolderCache cache;
    EXPECT_EQ(Names(cache.Listing(temp / "roms")), std::vector<std::string>{"a.zip"});
    // Hide a change from the cache: same folder time stamp as when it was listed.
    tree.File("b.zip", "");
    SetModified(tree.Root(), std::time(nullptr) - 60);
    EXPECT_EQ(Names(cache.Listing(temp / "roms/")), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(cache.Find(temp / "roms", "B.ZIP"), nullptr);

    cache.Invalidate(temp / "roms");
    EXPECT_EQ(Names(cache.Listing(temp / "roms")), (std::vector<std::string>{"a.zip", "b.zip"}));
    tree.File("c.zip", "");
    SetModified(tree.Root(), std::time(nullptr) - 60);
    cache.Clear();
    ASSERT_NE(cache.Find(temp / "roms", "C.ZIP"), nullptr);
}

TEST(FolderCacheTest, ListsAgainAfterAChange) {
    TempFolder temp;
    FolderBuilder tree(temp / "roms");
    tree.File("a.zip", "");
    SetModified(tree.Root(), std::time(nullptr) - 60);
    FolderCache cache;
    EXPECT_EQ(cache.Listing(temp / "roms").Entries().size(), 1u);
    tree.File("b.zip", "");
    EXPECT_EQ(cache.Listing(temp / "roms").Entries().size(), 2u);
}

TEST(FolderCacheTest, DoesNotTrustAListingTakenRightAfterAChange) {
    // The folder changed just now, possibly within the same time-stamp tick as the next
    // change: a change made immediately after listing must still be seen.
    TempFolder temp;
    FolderBuilder tree(temp / "roms");
    tree.File("a.zip", "");
    FolderCache cache;
    EXPECT_EQ(cache.Listing(temp / "roms").Entries().size(), 1u);

    struct stat before {};
    ASSERT_EQ(::stat(tree.Root().c_str(), &before), 0);
    tree.File("b.zip", "");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Root().c_str(), times, 0), 0);  // one coarse tick
    ASSERT_NE(cache.Find(temp / "roms", "b.zip"), nullptr);
}

TEST(FolderCacheTest, MissingFolderIsAnEmptyListingAndIsSeenOnceCreated) {
    TempFolder temp;
    FolderCache cache;
    EXPECT_FALSE(cache.Listing(temp / "later").Exists());
    FolderBuilder(temp / "later").File("x", "");
    EXPECT_TRUE(cache.Listing(temp / "later").Exists());
    EXPECT_NE(cache.Find(temp / "later", "X"), nullptr);
}

TEST(FolderCacheTest, ToldChangesKeepTheListingAsAFreshListingWouldBe) {
    struct Change {
        const char* what;
        std::function<bool(const std::string&)> make;  // on disk
        std::function<void(FolderCache&, const std::string&)> tell;
    };
    const std::vector<Change> changes = {
        {"renamed in case",
         [](const std::string& root) {
             return ::rename((root + "Abc").c_str(), (root + "abc").c_str()) == 0;
         },
         [](FolderCache& cache, const std::string& root) { cache.Renamed(root, "Abc", "abc"); }},
        {"renamed onto a name another entry folds to",
         [](const std::string& root) {
             return ::rename((root + "b.zip").c_str(), (root + "ABC").c_str()) == 0;
         },
         [](FolderCache& cache, const std::string& root) { cache.Renamed(root, "b.zip", "ABC"); }},
        {"removed, a name differing in case only stays",
         [](const std::string& root) { return ::remove((root + "Abc").c_str()) == 0; },
         [](FolderCache& cache, const std::string& root) { cache.Removed(root, "Abc"); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        TempFolder temp;
        FolderBuilder tree(temp / "roms");
        tree.File("Abc", "").File("aBC.zip", "").File("b.zip", "").File("zz", "");
        SetModified(tree.Root(), std::time(nullptr) - 60);
        FolderCache cache;
        const std::string root = tree.Root();
        ASSERT_EQ(cache.Listing(root).Entries().size(), 4u);
        ASSERT_TRUE(change.make(root));
        change.tell(cache, root);
        cache.Revalidate(root);
        const FolderListing told = cache.Listing(root);
        const FolderListing fresh(ListFolder(root), true);
        EXPECT_EQ(Names(told), Names(fresh));
        for (const char* name : {"abc", "ABC", "abc.zip", "B.ZIP", "zz", "Abc"}) {
            const DirEntry* a = told.Find(name);
            const DirEntry* b = fresh.Find(name);
            EXPECT_EQ(a ? a->name : "-", b ? b->name : "-") << name;
            EXPECT_EQ(told.CountIgnoringCase(name), fresh.CountIgnoringCase(name)) << name;
        }
        // A change the cache was not told of since is seen.
        tree.File("new", "");
        cache.Revalidate(root);
        EXPECT_NE(cache.Find(root, "NEW"), nullptr);
    }
}

}  // namespace
}  // namespace vextral
