#include "rebuild/Rebuilder.h"

#include <filesystem>

#include "archive/FileUtils.h"
#include "rebuild/RebuildDialogue.h"
#include "rebuild/RebuildFixture.h"
#include "support/Watchdog.h"

namespace vextral::test {
namespace {

const std::string kBiosData = WithCrc(std::string(131068, 'b'), 0x9036d879);

class RebuilderTest : public RebuildFixture {
  protected:
    RebuilderTest() : source(temp / "source/"), destination(temp / "dest/") {
        EXPECT_TRUE(CreateFolder(destination));
    }

    Rebuilder::Outcome Run(RebuildOptions options) {
        Rebuilder rebuilder(config, dialogs, progress, zip, database, selection);
        rebuilder.BuildIndex();
        const auto outcome = rebuilder.Rebuild(source.Root(), destination, options);
        failed = rebuilder.FailedSets();
        return outcome;
    }

    std::map<std::string, std::string> Written() { return ReadTree(destination); }

    FolderBuilder source;
    std::string destination;
    std::vector<std::string> failed;
};

TEST_F(RebuilderTest, AsksTheQuestionsInOrderAndKeepsTheAnswers) {
    dialogs.folderAnswers = {temp / "roms/", temp / "data/new/roms/"};
    ASSERT_TRUE(CreateFolderTree(temp / "roms"));
    ASSERT_TRUE(CreateFolderTree(temp / "data/new/roms"));
    dialogs.messageAnswers = {MessageResult::Yes, MessageResult::No, MessageResult::Yes,
                              MessageResult::No, MessageResult::Yes};
    const auto request = AskRebuildQuestions(dialogs);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->sourceFolder, temp / "roms/");
    EXPECT_EQ(request->destinationFolder, temp / "data/new/roms/");
    EXPECT_TRUE(request->options.zip);
    EXPECT_FALSE(request->options.biosEverywhere);
    EXPECT_TRUE(request->options.badDumps);
    EXPECT_FALSE(request->options.complemented);
    EXPECT_TRUE(request->options.merge);

    EXPECT_EQ(dialogs.folderPrompts,
              (std::vector<std::string>{"From which folder do you want to rebuild ROMs ?",
                                        "In which folder do you want to store the files ?"}));
    ASSERT_EQ(dialogs.messages.size(), 5u);
    const std::vector<std::string> captions{
        "Create Zipfiles ?", "Rebuild NeoGeo-BIOS-Roms ?", "Rebuild Bad Dumps ?",
        "Rebuild Complemented-CRC-Dumps ?", "Merge Rebuilt Files ?"};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(dialogs.messages[i].caption, captions[i]);
        EXPECT_EQ(dialogs.messages[i].icon, MessageIcon::Question);
        EXPECT_EQ(dialogs.messages[i].buttons, MessageButtons::YesNo);
    }
    EXPECT_EQ(dialogs.messages[0].text, "Do you want to zip the rebuilt files ?");
    EXPECT_EQ(dialogs.messages[1].text,
              "Do you also want to rebuild NeoGeo-BIOS-Roms ?\n\nIf yes, Vextral puts "
              "NeoGeo-BIOS-Roms in each NeoGeo-Gameset.\nOtherwise it tries to rebuild these "
              "BIOS-Roms only in NeoGeo(.zip).");
    EXPECT_EQ(dialogs.messages[2].text,
              "Do you want to rebuild bad dumps ?\n\nIf yes, Vextral will also rebuild bad "
              "dumped roms when the name and the length is correct.");
    EXPECT_EQ(dialogs.messages[3].text, "Do you want to rebuild complemented-crc-dumps ?");
    EXPECT_EQ(dialogs.messages[4].text,
              "Do you want to merge the rebuilt files ?\nVextral will use your current "
              "merge-mode settings (split or full).\nIf you don't use a any merge mode, Vextral "
              "doesn't merge the rebuilt roms even if you answer 'yes'.");
}

TEST_F(RebuilderTest, RefusesADestinationThatIsOrLiesInsideTheSource) {
    FolderBuilder tree(temp / "t/");
    tree.Folder("roms/new").Folder("romsnew").Folder("data/new/roms").Link("link", "roms");
    const std::string roms = tree.Path("roms/");
    EXPECT_FALSE(RebuildFoldersAllowed(roms, roms));
    EXPECT_FALSE(RebuildFoldersAllowed(roms, tree.Path("roms/new/")));
    EXPECT_FALSE(RebuildFoldersAllowed(roms, tree.Path("link/new")));  // through a link
    EXPECT_FALSE(RebuildFoldersAllowed(roms, tree.Path("data/../roms/new/")));
    EXPECT_TRUE(RebuildFoldersAllowed(roms, tree.Path("romsnew/")));
    EXPECT_TRUE(RebuildFoldersAllowed(roms, tree.Path("data/new/roms/")));
    EXPECT_TRUE(RebuildFoldersAllowed(tree.Path("roms/new/"), roms));

    dialogs.folderAnswers = {roms, tree.Path("roms/new/")};
    EXPECT_FALSE(AskRebuildQuestions(dialogs).has_value());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Destination- and source-folder have to differ.\nAnd your destination-folder "
              "can't be a subfolder of the source-folder.");
    EXPECT_EQ(dialogs.messages[0].caption, "Path Error !");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Exclamation);

    // Rebuild itself refuses too, for callers that skip the questions.
    AddGame("g", {{"a.bin", "alpha"}});
    source = FolderBuilder(roms);
    source.File("a.bin", "alpha");
    destination = tree.Path("roms/new/");
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Failed);
    EXPECT_FALSE(PathExists(tree.Path("roms/new/g")));
}

TEST_F(RebuilderTest, CancelledChooserEndsTheQuestions) {
    dialogs.folderAnswers = {""};
    EXPECT_FALSE(AskRebuildQuestions(dialogs).has_value());
    dialogs.folderAnswers = {temp.Path(), ""};
    EXPECT_FALSE(AskRebuildQuestions(dialogs).has_value());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RebuilderTest, RebuildsLooseFilesAndZipMembersUnderTheirRomNamesAndLeavesTheSource) {
    AddGame("alpha", {{"a1.bin", "first rom"}, {"a2.bin", "second rom"}});
    AddGame("beta", {{"b1.bin", "beta rom"}, {"shared.bin", "first rom"}});
    source.File("loose/wrongname.dat", "second rom").File("unrelated.txt", "nothing");
    ZipBuilder()
        .Add("inner/x.bin", "first rom")
        .AddDeflated("y.bin", "beta rom")
        .Write(source.Path("pack.zip"));
    const auto before = ReadTree(source.Root());

    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Written(), (std::map<std::string, std::string>{
                             {"alpha/", ""},
                             {"alpha/a1.bin", "first rom"},
                             {"alpha/a2.bin", "second rom"},
                             {"beta/", ""},
                             {"beta/b1.bin", "beta rom"},
                             {"beta/shared.bin", "first rom"},
                         }));
    EXPECT_EQ(ReadTree(source.Root()), before);
    // One member went into two sets: they must not share their data.
    EXPECT_FALSE(
        std::filesystem::equivalent(destination + "alpha/a1.bin", destination + "beta/shared.bin"));
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Rebuilding ROMs"});
    EXPECT_EQ(progress.upper, 3);
    EXPECT_EQ(progress.advances, 3);
    EXPECT_FALSE(progress.open);
    EXPECT_TRUE(ReadTree(config.scratchFolder).empty());
}

TEST_F(RebuilderTest, MemberFailingItsCrcCheckAddsNothing) {
    AddGame("g", {{"a.bin", "right data"}});
    ZipBuilder bad;
    bad.Add("a.bin", "wrong data").Last().crc = CrcOfText("right data");
    bad.Write(source.Path("bad.zip"));
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_TRUE(Written().empty());
}

TEST_F(RebuilderTest, NeoGeoBiosGoesOnceIntoNeogeoUnlessWantedEverywhere) {
    AddGame("neogeo", {{"sp-s2.sp1", kBiosData}}).isNeoGeo = true;
    AddGame("mslug", {{"sp-s2.sp1", kBiosData}, {"m1.rom", "mslug"}}).isNeoGeo = true;
    AddGame("kof", {{"sp-s2.sp1", kBiosData}}).isNeoGeo = true;
    source.File("bios.bin", kBiosData).File("copy/bios2.bin", kBiosData);

    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Written(), (std::map<std::string, std::string>{{"neogeo/", ""},
                                                             {"neogeo/sp-s2.sp1", kBiosData}}));

    std::filesystem::remove_all(destination);
    ASSERT_TRUE(CreateFolder(destination));
    RebuildOptions everywhere;
    everywhere.biosEverywhere = true;
    EXPECT_EQ(Run(everywhere), Rebuilder::Outcome::Completed);
    const auto written = Written();
    EXPECT_EQ(written.at("neogeo/sp-s2.sp1"), kBiosData);
    EXPECT_EQ(written.at("mslug/sp-s2.sp1"), kBiosData);
    EXPECT_EQ(written.at("kof/sp-s2.sp1"), kBiosData);
}

TEST_F(RebuilderTest, ComplementedAndBadDumpsOnlyWhenAsked) {
    const std::string good = "listed data";
    AddGame("g", {{"c.bin", good}});
    RomRecord bad;
    bad.name = "Bad.Bin";
    bad.size = 7;
    database.games.back().roms.push_back(bad);  // no checksum in the list
    // Same length as the listed data, CRC the complement of the listed one.
    source.File("complement.dat", WithCrc("other 0", ~CrcOfText(good)))
        .File("BAD.BIN", "1234567")
        .File("sub/bad.bin", "123456");  // right name, wrong length
    ASSERT_EQ(good.size(), std::string("other 0").size() + 4);

    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_TRUE(Written().empty());

    RebuildOptions options;
    options.complemented = true;
    options.badDumps = true;
    EXPECT_EQ(Run(options), Rebuilder::Outcome::Completed);
    const auto written = Written();
    EXPECT_EQ(written.at("g/c.bin"), ReadFile(source.Path("complement.dat")));
    EXPECT_EQ(written.at("g/Bad.Bin"), "1234567");
    EXPECT_EQ(written.size(), 3u);

    // The name alone never makes a bad dump: the wrong length is not taken when it is the only
    // candidate, whatever order the walk meets the files in.
    std::filesystem::remove_all(destination);
    std::filesystem::remove(source.Path("BAD.BIN"));
    EXPECT_EQ(Run(options), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Written().count("g/Bad.Bin"), 0u);
}

TEST_F(RebuilderTest, MergeRedirectsCloneRomsByTheMergeMode) {
    // name.bin is listed by both with other data: the same name is not the same ROM.
    AddGame("parent", {{"shared.bin", "shared"}, {"p.bin", "parent only"}, {"name.bin", "p's"}});
    AddGame("clone", {{"shared.bin", "shared"}, {"c.bin", "clone only"}, {"name.bin", "c's"}},
            "parent");
    AddGame("ngparent", {{"n.bin", "neo parent"}}).isNeoGeo = true;
    AddGame("ngclone", {{"n.bin", "neo clone"}}, "ngparent").isNeoGeo = true;
    source.File("1", "shared").File("2", "clone only").File("3", "neo clone").File("4", "c's");
    RebuildOptions merge;
    merge.merge = true;
    using Tree = std::map<std::string, std::string>;
    const Tree kept{{"clone/", ""},   {"clone/name.bin", "c's"},
                    {"ngclone/", ""}, {"ngclone/n.bin", "neo clone"},
                    {"parent/", ""},  {"parent/shared.bin", "shared"}};
    const auto with = [&](Tree more) {
        more.insert(kept.begin(), kept.end());
        return more;
    };
    struct Row {
        bool split, full, merge;
        Tree written;
    };
    const Row rows[] = {
        {true, false, true, with({{"clone/c.bin", "clone only"}})},
        {false, true, true, with({{"parent/c.bin", "clone only"}})},
        // Without a merge mode, or without the merge answer, nothing is redirected.
        {false, false, true, with({{"clone/c.bin", "clone only"}, {"clone/shared.bin", "shared"}})},
        {true, false, false, with({{"clone/c.bin", "clone only"}, {"clone/shared.bin", "shared"}})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "split " << row.split << " full " << row.full);
        std::filesystem::remove_all(destination);
        config.options.MergeSplit = row.split;
        config.options.MergeFull = row.full;
        EXPECT_EQ(Run(row.merge ? merge : RebuildOptions{}), Rebuilder::Outcome::Completed);
        EXPECT_EQ(Written(), row.written);
    }
}

TEST_F(RebuilderTest, ExistingTargetsAreLeftUntouched) {
    AddGame("g", {{"a.bin", "new data"}, {"b.bin", "b data"}});
    source.File("a", "new data").File("b", "b data");
    FolderBuilder(destination).File("G/A.BIN", "old data");
    ZipBuilder().Add("b.bin", "old b").Write(destination + "g.zip");

    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    const auto written = Written();
    EXPECT_EQ(written.at("G/A.BIN"), "old data");  // the set folder found ignoring case
    EXPECT_EQ(written.at("G/b.bin"), "b data");
    EXPECT_EQ(written.count("g/"), 0u);

    RebuildOptions zipped;
    zipped.zip = true;
    EXPECT_EQ(Run(zipped), Rebuilder::Outcome::Completed);
    const auto members = Members(destination + "g.zip");
    EXPECT_EQ(members,
              (std::map<std::string, std::string>{{"a.bin", "new data"}, {"b.bin", "old b"}}));
}

TEST_F(RebuilderTest, ZippedRebuildStagesRenamedCopiesAndNeverRenamesTheSource) {
    AddGame("g", {{"a.bin", "alpha"}, {"b.bin", "beta"}});
    AddGame("h", {{"b.bin", "beta"}});
    AddGame("k", {{"k.bin", "kappa"}});
    // a.bin is taken by another file in the source folder; the rebuild must still work.
    source.File("x.dat", "beta").File("a.bin", "not alpha").File("z.dat", "alpha");
    ZipBuilder().Add("deep/alpha.rom", "alpha").Write(source.Path("set.zip"));
    // A source already bearing its ROM's name is read where it lies, its mode untouched.
    source.File("k.bin", "kappa");
    std::filesystem::permissions(source.Path("k.bin"), std::filesystem::perms::owner_read);
    const auto before = ReadTree(source.Root());
    RebuildOptions zipped;
    zipped.zip = true;

    EXPECT_EQ(Run(zipped), Rebuilder::Outcome::Completed);
    EXPECT_EQ(ReadTree(source.Root()), before);
    EXPECT_EQ(Members(destination + "g.zip"),
              (std::map<std::string, std::string>{{"a.bin", "alpha"}, {"b.bin", "beta"}}));
    EXPECT_EQ(Members(destination + "h.zip"),
              (std::map<std::string, std::string>{{"b.bin", "beta"}}));
    EXPECT_EQ(Members(destination + "k.zip"),
              (std::map<std::string, std::string>{{"k.bin", "kappa"}}));
    EXPECT_EQ(std::filesystem::status(source.Path("k.bin")).permissions(),
              std::filesystem::perms::owner_read);
    EXPECT_TRUE(ReadTree(config.scratchFolder).empty());
}

TEST_F(RebuilderTest, StopKeepsWhatWasWritten) {
    AddGame("g", {{"a.bin", "alpha"}, {"b.bin", "beta"}, {"c.bin", "gamma"}});
    source.File("1", "alpha").File("2", "beta").File("3", "gamma");
    progress.stopOnCall = 3;  // asked before each write and after each file
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Stopped);
    EXPECT_EQ(Written(), (std::map<std::string, std::string>{{"g/", ""}, {"g/a.bin", "alpha"}}));
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"g/a.bin", "g/b.bin"}));
    EXPECT_FALSE(progress.open);
}

TEST_F(RebuilderTest, StopIsHeardWhileNothingMatches) {
    AddGame("g", {{"a.bin", "alpha"}});
    source.File("1", "noise").File("2", "more noise").File("3", "alpha");
    progress.stopOnCall = 1;
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Stopped);
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(progress.advances, 1);
}

TEST_F(RebuilderTest, OnlySelectedGamesAndNoLinkLoops) {
    AddGame("g", {{"a.bin", "alpha"}});
    AddGame("h", {{"b.bin", "beta"}});
    selection.back().selected = false;
    source.File("sub/1", "alpha").File("2", "beta").Link("sub/loop", "..");
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Written(), (std::map<std::string, std::string>{{"g/", ""}, {"g/a.bin", "alpha"}}));
    EXPECT_EQ(progress.upper, 2);
}

// FIFOs, sockets and links to devices in the source are never read, and one standing where a
// set would be written is neither replaced nor written through.
class SpecialFileRebuildTest : public RebuilderTest,
                               public testing::WithParamInterface<SpecialKind> {};

TEST_P(SpecialFileRebuildTest, AreNeitherSourcesNorTargets) {
    const Watchdog watchdog;
    AddGame("g", {{"g.bin", "g data"}});
    AddGame("h", {{"h.bin", "h data"}});
    source.File("x", "g data").File("y", "h data");
    source.Special("pack.zip", GetParam()).Special("sub/g.bin", GetParam());
    FolderBuilder(destination).Special("g.zip", GetParam()).Special("h", GetParam());
    const auto sourceBefore = ReadTree(source.Root());

    RebuildOptions zipped;
    zipped.zip = true;
    EXPECT_EQ(Run(zipped), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_EQ(Members(destination + "h.zip"),
              (std::map<std::string, std::string>{{"h.bin", "h data"}}));
    auto written = Written();
    written.erase("h.zip");
    const std::string kept = GetParam() == SpecialKind::DeviceLink ? "" : "<special>";
    EXPECT_EQ(written, (std::map<std::string, std::string>{
                           {"g.zip", kept}, {"g/", ""}, {"g/g.bin", "g data"}, {"h", kept}}));
    EXPECT_EQ(ReadTree(source.Root()), sourceBefore);
    EXPECT_EQ(progress.upper, 2);  // only the two regular files count
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileRebuildTest,
                         testing::Values(SpecialKind::Fifo, SpecialKind::Socket,
                                         SpecialKind::DeviceLink),
                         SpecialKindName());

TEST_F(RebuilderTest, FailedWritesAreReportedOncePerSetAndLeaveNothingBehind) {
    AddGame("g", {{"a.bin", "alpha"}, {"b.bin", "beta"}});
    AddGame("h", {{"c.bin", "gamma"}});
    source.File("1", "alpha").File("2", "beta").File("3", "gamma");
    FolderBuilder(destination).File("g", "a file where the set folder belongs");
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].rfind("g: cannot create the folder " + destination + "g: ", 0), 0u);
    EXPECT_EQ(Written().at("h/c.bin"), "gamma");

    // An archive step failing in turn: that set is reported, its archive holds what it held
    // before the failed write, and nothing of the write is left anywhere.
    ASSERT_TRUE(DeleteFile(destination + "g"));
    ASSERT_TRUE(RemoveFolderTree(destination + "h"));
    const std::map<std::string, std::string> all{
        {"a.bin", "alpha"}, {"b.bin", "beta"}, {"old.bin", "old"}};
    RebuildOptions zipped;
    zipped.zip = true;
    for (zip.failStep = 1;; ++zip.failStep) {
        zip.steps = zip.failures = 0;
        (void)DeleteFile(destination + "h.zip");  // there after a run that wrote it
        ZipBuilder().Add("old.bin", "old").Write(destination + "g.zip");
        EXPECT_EQ(Run(zipped), Rebuilder::Outcome::Completed);
        if (zip.failures == 0)
            break;
        ASSERT_EQ(failed.size(), 1u) << zip.failStep;
        EXPECT_NE(failed[0].find("injected failure"), std::string::npos) << failed[0];
        const auto members = Members(destination + "g.zip");
        EXPECT_EQ(members.size(), failed[0].starts_with("g: ") ? 1u : 3u) << zip.failStep;
        for (const auto& [name, data] : members)
            EXPECT_EQ(all.at(name), data);
        EXPECT_FALSE(PathExists(destination + ".vxt-work"));
        EXPECT_TRUE(ReadTree(config.scratchFolder).empty());
    }
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(Members(destination + "g.zip"), all);
}

// Zipped sets are gathered during the walk and compressed side by side: whatever the number
// of threads, each archive holds what the set folder of a plain rebuild holds.
TEST_F(RebuilderTest, ZippedSetsHoldWhatLooseSetsHoldOnAnyNumberOfThreads) {
    for (int g = 0; g < 12; ++g) {
        const std::string n = std::to_string(g);
        AddGame("g" + n, {{"a.bin", "a of " + n}, {"b.bin", "b of " + n}, {"s.bin", "shared"}});
    }
    AddGame("incomplete", {{"here.bin", "here"}, {"gone.bin", "nowhere in the source"}});
    for (int g = 0; g < 12; ++g) {
        const std::string n = std::to_string(g);
        if (g % 2 == 0) {
            source.File("loose/" + n, "a of " + n).File("loose/b" + n, "b of " + n);
        } else {
            ZipBuilder()
                .Add("x", "a of " + n)
                .AddDeflated("y", "b of " + n)
                .Write(source.Path("pack" + n + ".zip"));
        }
    }
    ZipBuilder().Add("s", "shared").Add("h", "here").Write(source.Path("common.zip"));

    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    std::map<std::string, std::string> expected;
    for (const auto& [path, data] : Written()) {
        if (!path.ends_with("/"))
            expected[path.substr(0, path.find('/')) + ".zip/" + path.substr(path.find('/') + 1)] =
                data;
    }
    ASSERT_EQ(expected.size(), 12u * 3 + 1);

    RebuildOptions zipped;
    zipped.zip = true;
    for (const unsigned workers : {1u, 4u}) {
        SCOPED_TRACE(workers);
        std::filesystem::remove_all(destination);
        Rebuilder rebuilder(config, dialogs, progress, zip, database, selection);
        rebuilder.SetWorkers(workers);
        rebuilder.BuildIndex();
        EXPECT_EQ(rebuilder.Rebuild(source.Root(), destination, zipped),
                  Rebuilder::Outcome::Completed);
        EXPECT_TRUE(rebuilder.FailedSets().empty());
        std::map<std::string, std::string> archived;
        for (const auto& [name, data] : Written()) {
            for (const auto& [member, contents] : Members(destination + name))
                archived[name + "/" + member] = contents;
        }
        EXPECT_EQ(archived, expected);
        EXPECT_TRUE(ReadTree(config.scratchFolder).empty());
    }
}

// One archive change per set: a set whose change fails keeps its archive byte for byte,
// and the other sets are written.
TEST_F(RebuilderTest, AFailedArchiveStaysAsItWasAndTheOthersAreWritten) {
    const std::vector<std::string> sets{"f", "g", "h"};
    for (const auto& set : sets) {
        AddGame(set, {{"1.bin", "one of " + set}, {"2.bin", "two of " + set}});
        source.File(set + "1", "one of " + set).File(set + "2", "two of " + set);
    }
    RebuildOptions zipped;
    zipped.zip = true;
    for (zip.failCommit = 1; zip.failCommit <= 3; ++zip.failCommit) {
        SCOPED_TRACE(zip.failCommit);
        zip.commits = 0;
        std::map<std::string, std::string> before;
        for (const auto& set : sets) {
            before[set] =
                ReadFile(ZipBuilder().Add("old.bin", "old").Write(destination + set + ".zip"));
        }
        EXPECT_EQ(Run(zipped), Rebuilder::Outcome::Completed);
        ASSERT_EQ(failed.size(), 1u);
        EXPECT_NE(failed[0].find("injected failure"), std::string::npos) << failed[0];
        for (const auto& set : sets) {
            if (failed[0].starts_with(set + ": ")) {
                EXPECT_EQ(ReadFile(destination + set + ".zip"), before[set]);
            } else {
                EXPECT_EQ(Members(destination + set + ".zip").size(), 3u) << set;
            }
        }
    }
}

TEST_F(RebuilderTest, TheProgramFolderIsNotSearched) {
    AddGame("g", {{"a.bin", "alpha"}});
    config.programFolder = source.Path("data/vextral/");
    source.File("data/vextral/backup.vxt/x/a.bin", "alpha").File("data/other/b", "beta");
    EXPECT_EQ(Run({}), Rebuilder::Outcome::Completed);
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(progress.upper, 1);
}

}  // namespace
}  // namespace vextral::test
