#include "rebuild/Merger.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "rebuild/MergeDialogue.h"
#include "rebuild/RebuildFixture.h"

namespace vextral::test {
namespace {

using Tree = std::map<std::string, std::string>;

class MergerTest : public RebuildFixture {
  protected:
    MergerTest() : first(temp / "roms1/"), second(temp / "roms2/") {
        paths.romList = {first.Root(), second.Root()};
        paths.romFolders = paths.romList;
        config.options.Backup = false;
        // parent: p1, shared; clone: shared (same data), c1; other: o1 (neither).
        AddGame("parent", {{"p1.bin", "parent one"}, {"shared.bin", "shared data"}});
        AddGame("clone", {{"shared.bin", "shared data"}, {"c1.bin", "clone one"}}, "parent");
        AddGame("other", {{"o1.bin", "other one"}});
    }

    Merger::Outcome Merge(bool full, bool zipped = false) {
        config.options.MergeFull = full;
        config.options.MergeSplit = !full;
        Merger merger(config, paths, dialogs, progress, zip, database, selection);
        const auto outcome = merger.Merge({zipped});
        skipped = merger.SkippedParents();
        keptWithoutBackup = merger.KeptWithoutBackup();
        return outcome;
    }
    Merger::Outcome Unmerge(bool zipped = false) {
        Merger merger(config, paths, dialogs, progress, zip, database, selection);
        const auto outcome = merger.Unmerge({zipped});
        skipped = merger.SkippedParents();
        keptWithoutBackup = merger.KeptWithoutBackup();
        return outcome;
    }

    // Every set under root as "set/file" -> contents, archives read member by member.
    Tree Sets(const std::string& root) {
        Tree sets;
        for (const auto& [path, contents] : ReadTree(root)) {
            if (path.ends_with(".zip")) {
                for (const auto& [member, data] : Members(root + path))
                    sets[path.substr(0, path.size() - 4) + "/" + member] = data;
            } else if (!path.ends_with("/")) {
                sets[path] = contents;
            }
        }
        return sets;
    }
    // Writes "set/file" -> contents as set folders or archives, each set in the folder where
    // wants it.
    void WriteSets(const Tree& sets, bool zipped,
                   const std::function<FolderBuilder&(const std::string&)>& where) {
        std::map<std::string, ZipBuilder> archives;
        for (const auto& [path, contents] : sets) {
            const std::string set = path.substr(0, path.find('/'));
            if (zipped)
                archives[set].Add(path.substr(set.size() + 1), contents);
            else
                where(set).File(path, contents);
        }
        for (auto& [set, archive] : archives)
            archive.Write(where(set).Path(set + ".zip"));
    }
    void ClearFolders() {
        for (const std::string& folder :
             {first.Root(), second.Root(), programFolder + "backup.vxt/"})
            std::filesystem::remove_all(folder);
        std::filesystem::create_directories(first.Root());
        std::filesystem::create_directories(second.Root());
    }

    FolderBuilder first;
    FolderBuilder second;
    std::vector<std::string> skipped;
    std::size_t keptWithoutBackup = 0;
};

TEST_F(MergerTest, QuestionsHaveTheirTextsAndAWarningFirst) {
    dialogs.messageAnswers = {MessageResult::No};
    EXPECT_FALSE(AskMergeQuestions(dialogs).has_value());
    dialogs.messageAnswers = {MessageResult::Yes, MessageResult::Yes, MessageResult::No};
    const auto merge = AskMergeQuestions(dialogs);
    ASSERT_TRUE(merge.has_value());
    EXPECT_TRUE(merge->zip);
    const auto unmerge = AskUnmergeQuestions(dialogs);
    ASSERT_TRUE(unmerge.has_value());
    EXPECT_FALSE(unmerge->zip);

    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Vextral will store the merged files in your first rompath.\n\nWARNING: The old "
              "parent and clonefolders will be removed in any rompath !\n\nGamesets which are "
              "neither clone- nor parentsets are left untouched !\n\nDo you want to continue ?");
    EXPECT_EQ(dialogs.messages[0].caption, "Warning !");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialogs.messages[2].text, "Do you want to zip the merged roms ?");
    EXPECT_EQ(dialogs.messages[3].text, "Do you want to zip the unmerged roms ?");
    for (int i : {2, 3}) {
        EXPECT_EQ(dialogs.messages[i].caption, "Create Zipfiles ?");
        EXPECT_EQ(dialogs.messages[i].icon, MessageIcon::Question);
        EXPECT_EQ(dialogs.messages[i].buttons, MessageButtons::YesNo);
    }
}

TEST_F(MergerTest, SplitMergeMovesSetsIntoTheFirstFolderAndLeavesOtherGamesAlone) {
    second.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    ZipBuilder()
        .Add("shared.bin", "shared data")
        .Add("c1.bin", "clone one")
        .Write(second.Path("clone.zip"));
    first.File("other/o1.bin", "other one");
    second.File("other/o1.bin", "other one");

    EXPECT_EQ(Merge(/*full=*/false), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"clone/", ""},
                                            {"clone/c1.bin", "clone one"},
                                            {"other/", ""},
                                            {"other/o1.bin", "other one"},
                                            {"parent/", ""},
                                            {"parent/p1.bin", "parent one"},
                                            {"parent/shared.bin", "shared data"}}));
    EXPECT_EQ(ReadTree(second.Root()), (Tree{{"other/", ""}, {"other/o1.bin", "other one"}}));
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Merging Roms"});
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Game parent"});
    EXPECT_EQ(progress.upper, 1);
    EXPECT_TRUE(skipped.empty());
}

TEST_F(MergerTest, FullMergeLeavesNoCloneSetAndSplitAndUnmergeTakeItApartAgain) {
    first.File("parent/p1.bin", "parent one").File("clone/c1.bin", "clone one");
    second.File("clone/shared.bin", "shared data").File("clone/c1.bin", "clone one");

    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    const Tree fullMerged{{"parent/", ""},
                          {"parent/c1.bin", "clone one"},
                          {"parent/p1.bin", "parent one"},
                          {"parent/shared.bin", "shared data"}};
    EXPECT_EQ(ReadTree(first.Root()), fullMerged);
    EXPECT_TRUE(ReadTree(second.Root()).empty());

    EXPECT_EQ(Merge(/*full=*/false), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"clone/", ""},
                                            {"clone/c1.bin", "clone one"},
                                            {"parent/", ""},
                                            {"parent/p1.bin", "parent one"},
                                            {"parent/shared.bin", "shared data"}}));

    EXPECT_EQ(Unmerge(), Merger::Outcome::Completed);
    EXPECT_EQ(progress.captions.back(), "Unmerging Roms");
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"clone/", ""},
                                            {"clone/c1.bin", "clone one"},
                                            {"clone/shared.bin", "shared data"},
                                            {"parent/", ""},
                                            {"parent/p1.bin", "parent one"},
                                            {"parent/shared.bin", "shared data"}}));
    // Files are given new names rather than copied where they can be, yet no two sets share
    // one file.
    for (const char* file : {"clone/c1.bin", "clone/shared.bin", "parent/shared.bin"}) {
        struct stat info {};
        ASSERT_EQ(::stat((first.Root() + file).c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_nlink, 1u) << file;
    }
}

TEST_F(MergerTest, ZippedSetsAreArchivesAndNoTemporaryIsLeft) {
    first.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    first.File("clone/c1.bin", "clone one");

    EXPECT_EQ(Unmerge(/*zipped=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"clone.zip", ReadFile(first.Path("clone.zip"))},
                                            {"parent.zip", ReadFile(first.Path("parent.zip"))}}));
    EXPECT_EQ(Members(first.Path("parent.zip")),
              (Tree{{"p1.bin", "parent one"}, {"shared.bin", "shared data"}}));
    EXPECT_EQ(Members(first.Path("clone.zip")),
              (Tree{{"c1.bin", "clone one"}, {"shared.bin", "shared data"}}));
}

// Most games of a large list have no set: a family is built in temporary folders only for
// the sets that get files, whether they end as folders or archives.
TEST_F(MergerTest, TemporaryFoldersAreMadeOnlyForSetsThatGetFiles) {
    AddGame("lone", {{"l1.bin", "lone one"}});
    AddGame("lonec", {{"l2.bin", "lone clone"}}, "lone");
    for (const bool zipped : {false, true}) {
        SCOPED_TRACE(zipped);
        ClearFolders();
        second.File("parent/p1.bin", "parent one").File("clone/c1.bin", "clone one");
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, first.Root().c_str(), IN_CREATE), 0);
        EXPECT_EQ(Merge(/*full=*/false, zipped), Merger::Outcome::Completed);

        std::set<std::string> madeFolders;
        alignas(inotify_event) char events[1 << 16];
        for (ssize_t got; (got = read(watch, events, sizeof events)) > 0;) {
            for (char* at = events; at < events + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if ((event->mask & IN_ISDIR) != 0 && std::string(event->name).ends_with(".vxt"))
                    madeFolders.insert(event->name);
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watch);
        EXPECT_EQ(madeFolders, (std::set<std::string>{"clone.vxt", "parent.vxt"}));
        EXPECT_EQ(Sets(first.Root()).size(), 2u);
    }
}

TEST_F(MergerTest, OnlySelectedParentsAndStopBetweenParents) {
    AddGame("second", {{"s1.bin", "second one"}});
    AddGame("secondclone", {{"s2.bin", "second two"}}, "second");
    first.File("clone/c1.bin", "clone one").File("clone/shared.bin", "shared data");
    first.File("secondclone/s1.bin", "second one");

    selection[*database.FindGame("parent")].selected = false;
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    const auto tree = ReadTree(first.Root());
    EXPECT_EQ(tree.count("clone/c1.bin"), 1u);  // unselected family untouched
    EXPECT_EQ(tree.count("secondclone/"), 0u);
    EXPECT_EQ(tree.at("second/s1.bin"), "second one");

    selection[*database.FindGame("parent")].selected = true;
    progress.stopOnCall = progress.stopQueries + 1;
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Stopped);
    EXPECT_EQ(ReadTree(first.Root()).count("parent/c1.bin"), 1u);  // the first family is done
}

TEST_F(MergerTest, FailedArchiveLeavesEveryOldSetInPlace) {
    first.File("parent/p1.bin", "parent one");
    ZipBuilder().Add("shared.bin", "shared data").Write(first.Path("parent.zip"));
    second.File("clone/c1.bin", "clone one");
    const auto before1 = ReadTree(first.Root());
    const auto before2 = ReadTree(second.Root());

    zip.failEveryStep = true;
    EXPECT_EQ(Merge(/*full=*/true, /*zipped=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), before1);
    EXPECT_EQ(ReadTree(second.Root()), before2);
    EXPECT_EQ(skipped, std::vector<std::string>{"parent"});

    // The second add fails: the clone's set is built, the parent's is not; nothing goes.
    zip.failEveryStep = false;
    zip.failCommit = zip.commits + 2;
    EXPECT_EQ(Unmerge(/*zipped=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), before1);
    EXPECT_EQ(ReadTree(second.Root()), before2);
}

TEST_F(MergerTest, ANewArchiveThatReadsBackAlteredKeepsTheOldSets) {
    first.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    first.File("clone/c1.bin", "clone one");
    const auto before = ReadTree(temp.Path());
    zip.alterWrittenData = true;  // same length, same directory, other bytes
    EXPECT_EQ(Unmerge(/*zipped=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
    EXPECT_EQ(ReadTree(temp.Path()), before);
}

TEST_F(MergerTest, UnreadableSourceKeepsTheFamily) {
    first.File("parent/p1.bin", "parent one");
    ZipBuilder bad;
    bad.Add("c1.bin", "clone onX").Last().crc = CrcOfText("clone one");
    bad.Write(second.Path("clone.zip"));
    const auto before = ReadTree(temp.Path());
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(temp.Path()), before);
    EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
}

TEST_F(MergerTest, FilesNoNewSetTookGoToTheBackupWhenAsked) {
    first.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    first.File("clone/c1.bin", "clone one").File("clone/readme.txt", "notes");
    ZipBuilder()
        .Add("readme.txt", "other notes")
        .Add("c1.bin", "clone one")
        .Write(second.Path("clone.zip"));
    // A parent ROM in the clone set with other data than the parent's own copy.
    first.File("clone/p1.bin", "not the parent's");

    config.options.Backup = true;
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"parent/", ""},
                                            {"parent/c1.bin", "clone one"},
                                            {"parent/p1.bin", "parent one"},
                                            {"parent/shared.bin", "shared data"}}));
    EXPECT_TRUE(ReadTree(second.Root()).empty());
    EXPECT_EQ(ReadTree(programFolder + "backup.vxt/"),
              (Tree{{"clone/", ""},
                    {"clone/p1.bin", "not the parent's"},
                    {"clone/readme (1).txt", "other notes"},
                    {"clone/readme.txt", "notes"}}));
}

TEST_F(MergerTest, CloneRomsNamedLikeTheParentsForOtherDataStayTheClones) {
    // Against the parent's prog.bin: a longer, a shorter and a same-length other one; big and
    // small also name k.bin, which the parent does not list, for different data.
    AddGame("pa", {{"prog.bin", "parent prog"}, {"snd.bin", "sound"}});
    AddGame("big", {{"prog.bin", "a longer clone program"}, {"snd.bin", "sound"}, {"k.bin", "big"}},
            "pa");
    AddGame("small", {{"prog.bin", "short"}, {"snd.bin", "sound"}, {"k.bin", "small"}}, "pa");
    AddGame("same", {{"prog.bin", "parent prXg"}, {"snd.bin", "sound"}}, "pa");
    const Tree complete{{"pa/prog.bin", "parent prog"},
                        {"pa/snd.bin", "sound"},
                        {"big/prog.bin", "a longer clone program"},
                        {"big/snd.bin", "sound"},
                        {"big/k.bin", "big"},
                        {"small/prog.bin", "short"},
                        {"small/snd.bin", "sound"},
                        {"small/k.bin", "small"},
                        {"same/prog.bin", "parent prXg"},
                        {"same/snd.bin", "sound"}};
    const Tree split{{"pa/prog.bin", "parent prog"},
                     {"pa/snd.bin", "sound"},
                     {"big/prog.bin", "a longer clone program"},
                     {"big/k.bin", "big"},
                     {"small/prog.bin", "short"},
                     {"small/k.bin", "small"},
                     {"same/prog.bin", "parent prXg"}};
    // The first clone to name k.bin has it in the parent's set.
    const Tree full{{"pa/prog.bin", "parent prog"},
                    {"pa/snd.bin", "sound"},
                    {"pa/k.bin", "big"},
                    {"big/prog.bin", "a longer clone program"},
                    {"small/prog.bin", "short"},
                    {"small/k.bin", "small"},
                    {"same/prog.bin", "parent prXg"}};

    for (const bool zipped : {false, true}) {
        for (const bool twoFolders : {false, true}) {
            for (const bool backup : {false, true}) {
                SCOPED_TRACE(testing::Message() << "zipped " << zipped << ", two folders "
                                                << twoFolders << ", backup " << backup);
                ClearFolders();
                config.options.Backup = backup;
                WriteSets(complete, zipped, [&](const std::string& set) -> FolderBuilder& {
                    return twoFolders && set != "pa" ? second : first;
                });
                for (const bool fullMerge : {false, true}) {
                    EXPECT_EQ(Merge(fullMerge, zipped), Merger::Outcome::Completed);
                    EXPECT_EQ(Sets(first.Root()), fullMerge ? full : split);
                    EXPECT_TRUE(Sets(second.Root()).empty());
                    EXPECT_EQ(Unmerge(zipped), Merger::Outcome::Completed);
                    EXPECT_EQ(Sets(first.Root()), complete);
                }
                EXPECT_TRUE(skipped.empty());
                EXPECT_TRUE(ReadTree(programFolder + "backup.vxt/").empty());
            }
        }
    }
}

TEST_F(MergerTest, AGoodCopyWinsOverADamagedOneWhereverEachLies) {
    const Tree complete{{"parent/p1.bin", "parent one"},
                        {"parent/shared.bin", "shared data"},
                        {"clone/shared.bin", "shared data"},
                        {"clone/c1.bin", "clone one"}};
    struct Row {
        const char* what;
        Tree firstFolder;  // over the complete sets in the first folder
        Tree secondFolder;
        Tree result;  // over the complete sets
        Tree backup;  // with Backup on
    };
    const Row rows[] = {
        {"damaged in the second folder",
         {},
         {{"parent/p1.bin", "parent onX"}},
         {},
         {{"parent/p1.bin", "parent onX"}}},
        {"damaged in the first folder",
         {{"parent/p1.bin", "parent onX"}},
         {{"parent/p1.bin", "parent one"}},
         {},
         {{"parent/p1.bin", "parent onX"}}},
        {"damaged and longer in the clone's set, the parent's shared copy is good",
         {{"clone/shared.bin", "shared data!"}},
         {},
         {},
         {{"clone/shared.bin", "shared data!"}}},
        {"no good copy: the first damaged one stands",
         {{"parent/p1.bin", "parent onX"}},
         {{"parent/p1.bin", "parent onY"}},
         {{"parent/p1.bin", "parent onX"}},
         {{"parent/p1.bin", "parent onY"}}},
    };
    for (const Row& row : rows) {
        for (const bool zipped : {false, true}) {
            for (const bool backup : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << row.what << ", zipped " << zipped << ", backup " << backup);
                ClearFolders();
                config.options.Backup = backup;
                Tree inFirst = complete;
                for (const auto& [path, contents] : row.firstFolder)
                    inFirst[path] = contents;
                WriteSets(inFirst, zipped,
                          [&](const std::string&) -> FolderBuilder& { return first; });
                // The second folder's sets take the other form.
                WriteSets(row.secondFolder, !zipped,
                          [&](const std::string&) -> FolderBuilder& { return second; });
                EXPECT_EQ(Unmerge(zipped), Merger::Outcome::Completed);
                Tree result = complete;
                for (const auto& [path, contents] : row.result)
                    result[path] = contents;
                EXPECT_EQ(Sets(first.Root()), result);
                EXPECT_TRUE(Sets(second.Root()).empty());
                EXPECT_EQ(Sets(programFolder + "backup.vxt/"), backup ? row.backup : Tree{});
            }
        }
    }
}

TEST_F(MergerTest, AnUnreadableArchiveIsNeverRemoved) {
    AddGame("twin", {{"shared.bin", "shared data"}},
            "parent");  // every ROM named like the parent's
    first.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    second.File("twin.zip", "PK\x03\x04 but no archive");
    const auto before = ReadTree(temp.Path());
    for (const bool backup : {false, true}) {
        config.options.Backup = backup;
        EXPECT_EQ(Merge(/*full=*/false), Merger::Outcome::Completed);
        EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
        EXPECT_EQ(Merge(/*full=*/true, /*zipped=*/true), Merger::Outcome::Completed);
        EXPECT_EQ(Unmerge(), Merger::Outcome::Completed);
        EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
        EXPECT_EQ(ReadTree(temp.Path()), before);
    }
}

TEST_F(MergerTest, WithBackupOffRomDataNoNewSetHoldsIsKept) {
    first.File("parent/p1.bin", "parent one").File("parent/shared.bin", "shared data");
    first.File("clone/c1.bin", "clone one")
        .File("clone/spare.bin", "other one")  // o1.bin's data, in no new set of the family
        .File("clone/copy.bin", "parent one")  // the parent's new set holds it
        .File("clone/notes/o1.bin", "other one")
        .File("clone/readme.txt", "notes");
    ZipBuilder()
        .Add("c1.bin", "clone one")
        .Add("o1.rom", "other one")
        .Add("shared.bin", "damaged")
        .Write(second.Path("clone.zip"));
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"parent/", ""},
                                            {"parent/c1.bin", "clone one"},
                                            {"parent/p1.bin", "parent one"},
                                            {"parent/shared.bin", "shared data"}}));
    EXPECT_TRUE(ReadTree(second.Root()).empty());
    EXPECT_EQ(ReadTree(programFolder + "backup.vxt/"), (Tree{{"clone/", ""},
                                                             {"clone/o1.bin", "other one"},
                                                             {"clone/o1.rom", "other one"},
                                                             {"clone/spare.bin", "other one"}}));
    EXPECT_EQ(keptWithoutBackup, 3u);
}

TEST_F(MergerTest, ASetThatCannotBePutInPlaceKeepsTheWholeFamily) {
    // A full-merged parent archive holds the only copy of the clone's ROM; a dangling link
    // bears the name the clone's new set needs.
    ZipBuilder()
        .Add("p1.bin", "parent one")
        .Add("shared.bin", "shared data")
        .Add("c1.bin", "clone one")
        .Write(first.Path("parent.zip"));
    first.Link("clone.zip", temp / "gone.zip").Link("clone", temp / "gone");
    second.File("parent/p1.bin", "parent one");
    const auto before = ReadTree(temp.Path());
    for (const bool zipped : {true, false}) {
        EXPECT_EQ(Unmerge(zipped), Merger::Outcome::Completed);
        EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
        EXPECT_EQ(ReadTree(temp.Path()), before) << zipped;
    }
}

TEST_F(MergerTest, LeftoversOfAnInterruptedRunGoToTheBackupNotIntoTheSet) {
    config.options.Backup = true;
    ZipBuilder()
        .Add("p1.bin", "parent one")
        .Add("shared.bin", "shared data")
        .Add("readme.txt", "unique notes")
        .Write(first.Path("parent.zip"));
    first.File("clone/c1.bin", "clone one");
    // A built archive left under the name the old one takes when it steps aside.
    ZipBuilder()
        .Add("p1.bin", "parent one")
        .Add("shared.bin", "shared data")
        .Write(first.Path("parent.zip.vxtnew"));
    first.File("parent.vxt/p1.bin", "stale copy")
        .File("parent.vxt/notes.txt", "only here")
        .File("parent.vxt/.vxtpart-Xy12Ab", "half a co")
        .File("clone.zip.vxtold", "an archive cut short")
        .File("clone.vxtold/c1.bin", "clone one");
    EXPECT_EQ(Merge(/*full=*/false, /*zipped=*/true), Merger::Outcome::Completed);
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(ReadTree(first.Root()), (Tree{{"clone.zip", ReadFile(first.Path("clone.zip"))},
                                            {"parent.zip", ReadFile(first.Path("parent.zip"))}}));
    EXPECT_EQ(Members(first.Path("parent.zip")),
              (Tree{{"p1.bin", "parent one"}, {"shared.bin", "shared data"}}));
    EXPECT_EQ(Members(first.Path("clone.zip")), (Tree{{"c1.bin", "clone one"}}));
    EXPECT_EQ(ReadTree(programFolder + "backup.vxt/"),
              (Tree{{"clone/", ""},
                    {"clone/c1.bin", "clone one"},
                    {"clone/clone.zip.vxtold", "an archive cut short"},
                    {"parent/", ""},
                    {"parent/notes.txt", "only here"},
                    {"parent/p1 (1).bin", "parent one"},
                    {"parent/p1.bin", "stale copy"},
                    {"parent/readme.txt", "unique notes"},
                    {"parent/shared.bin", "shared data"}}));
}

TEST_F(MergerTest, AFamilyWhoseOldSetHoldsTheProgramFolderStays) {
    config.programFolder = first.Path("clone/data/vextral/");
    first.File("parent/p1.bin", "parent one").File("clone/c1.bin", "clone one");
    first.File("clone/data/vextral/backup.vxt/x/a.bin", "a backup");
    const auto before = ReadTree(temp.Path());
    EXPECT_EQ(Merge(/*full=*/true), Merger::Outcome::Completed);
    EXPECT_EQ(skipped, std::vector<std::string>{"parent"});
    EXPECT_EQ(ReadTree(temp.Path()), before);
}

}  // namespace
}  // namespace vextral::test
