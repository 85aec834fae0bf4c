#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "scanner/Scanner.h"
#include "support/CurrentFolder.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/FolderBuilder.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral {
namespace {

using test::CrcOf;
using test::FakeDialogs;
using test::FolderBuilder;
using test::TempFolder;
using Strings = std::vector<std::string>;

GameRecord Game(const std::string& name, std::uint32_t romCount = 1,
                std::uint32_t sampleCount = 0) {
    GameRecord game;
    game.name = name;
    game.description = name;
    game.romCount = romCount;
    game.sampleCount = sampleCount;
    return game;
}

class DiscoveryTest : public ::testing::Test {
  protected:
    DiscoveryTest() : root(CanonicalPath(temp.Path())), disk(root) {}
    ~DiscoveryTest() override { static_cast<void>(SetCurrentFolder(savedFolder)); }

    // The folder's listing may be cached: a modification time in the past lets the cache
    // trust it, as it would for a real collection.
    void Age(const std::string& relative) {
        std::filesystem::last_write_time(
            root + relative, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }

    std::string savedFolder = CurrentFolder();
    TempFolder temp;
    std::string root;  // canonical, ends with '/'
    FolderBuilder disk;
    FakeDialogs dialogs;
    test::FakeProgress progress;
    test::RecordingResultSink sink;
    ZipLibrary zipLibrary;
    Scanner scanner{dialogs, progress, sink, zipLibrary};
};

TEST_F(DiscoveryTest, SplitListCutsAtTheFirstEmptyPieceAndKeepsTypedSelections) {
    Strings list{"old"};
    SplitList("Pac* ; mr?;;galaxian", list, kSplitSelection);
    EXPECT_EQ(list, (Strings{"Pac*", "mr?"}));
    SplitList(";pacman", list, kSplitSelection);
    EXPECT_TRUE(list.empty());
    SplitList("  \t;pacman", list, kSplitSelection);
    EXPECT_EQ(list, Strings{"pacman"});
}

TEST_F(DiscoveryTest, SplitListKeepsExistingFoldersOnceWithTheirCase) {
    disk.Folder("roms").Folder("Roms").Folder("more");
    ASSERT_TRUE(SetCurrentFolder(root));
    Strings list{"/kept/"};
    SplitList("roms ; missing;" + root + "roms/;Roms;more/../roms; ;more", list, kAppendPaths);
    EXPECT_EQ(list, (Strings{"/kept/", root + "roms/", root + "Roms/", root + "more/"}));
    // A blank piece never names the root folder.
    SplitList(" ", list, kSplitPaths);
    EXPECT_TRUE(list.empty());
}

TEST_F(DiscoveryTest, MameConfigFeedsOnlyTheDirectorySection) {
    disk.Folder("mame/r1").Folder("mame/r2").Folder("mame/r3").Folder("mame/s1").Folder("mame/cfg");
    disk.File("mame/mame.cfg",
              "[paths]\r\nrompath = r3\r\n[directory]\r\n  ROMPATH   =  r1;r2 \r\n"
              "samplepath=s1;gone\r\nno equals sign\r\ncfg_directory = cfg\r\n"
              "[other]\r\nrompath = r3\r\n");
    scanner.paths.romList = {"/first/"};
    const std::string before = CurrentFolder();
    scanner.ReadMameConfigPaths(root + "mame/");
    const std::string mame = root + "mame/";
    EXPECT_EQ(scanner.paths.romList, (Strings{"/first/", mame + "r1/", mame + "r2/"}));
    EXPECT_EQ(scanner.paths.sampleList, Strings{mame + "s1/"});
    EXPECT_EQ(scanner.paths.miscList, Strings{mame + "cfg/"});
    EXPECT_EQ(CurrentFolder(), before);  // read from there, never entered
    EXPECT_TRUE(dialogs.messages.empty());
}

// mame.cfg first, then the first mame.ini: the MAME folder's own, else the other folders'.
TEST_F(DiscoveryTest, MameIniPathsFollowThoseOfMameCfg) {
    disk.Folder("mame/r1").Folder("mame/r2").Folder("mame/s1").Folder("user/r3");
    disk.File("mame/mame.cfg", "[directory]\nrompath=r1\n");
    disk.File("user/mame.ini", "rompath " + root + "user/r3;r1\n");
    scanner.config.mameIniFolders = {root + "user/"};
    scanner.ReadMameConfigPaths(root + "mame/");
    EXPECT_EQ(scanner.paths.romList, (Strings{root + "mame/r1/", root + "user/r3/"}));

    disk.File("mame/mame.ini", "rompath r2;gone\nsamplepath \"s1\"\n");
    scanner.paths.romList.clear();
    scanner.ReadMameConfigPaths(root + "mame/");
    EXPECT_EQ(scanner.paths.romList, (Strings{root + "mame/r1/", root + "mame/r2/"}));
    EXPECT_EQ(scanner.paths.sampleList, Strings{root + "mame/s1/"});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(DiscoveryTest, MameConfigWithoutDirectorySectionAddsNothing) {
    disk.Folder("mame/r1").File("mame/mame.cfg", "[directory] \nrompath=r1\n");
    scanner.ReadMameConfigPaths(root + "mame/");
    scanner.ReadMameConfigPaths(root + "nowhere/");
    EXPECT_TRUE(scanner.paths.romList.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

class PathWarningTest : public DiscoveryTest {
  protected:
    PathWarningTest() {
        disk.File("r1/readme.txt", "").Folder("r2").File("r3/PacMan.zip", "");
        disk.File("s1/pacman/a.wav", "").Folder("s2/Galaxian");
        database.games = {Game("pacman"), Game("galaxian", 1, 1)};
        database.RebuildIndex();
        fields.rom = root + "r1;" + root + "r2;" + root + "r3";
        fields.sample = root + "s1;" + root + "s2";
    }
    GameDatabase database;
    GameSelection selection;
    PathFields fields;
};

TEST_F(PathWarningTest, EveryFolderWithoutSetsGetsItsOwnBoxAndTheLastAnswerCounts) {
    bool listsReady = false;
    scanner.SetListsReadyHook([&] { listsReady = scanner.paths.romList.size() == 3; });
    dialogs.messageAnswers = {MessageResult::Cancel, MessageResult::Ok, MessageResult::Ok};
    EXPECT_TRUE(scanner.PrepareScan(database, selection, fields));
    EXPECT_TRUE(listsReady);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text, "No roms found in rompath:\n\n" + root + "r1/");
    EXPECT_EQ(dialogs.messages[1].text, "No roms found in rompath:\n\n" + root + "r2/");
    // pacman has no samples, so its sample set is no sign of a sample folder.
    EXPECT_EQ(dialogs.messages[2].text, "No samples found in samplepath:\n\n" + root + "s1/");
    for (const auto& message : dialogs.messages) {
        EXPECT_EQ(message.caption, "Pathwarning");
        EXPECT_EQ(message.buttons, MessageButtons::OkCancel);
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(scanner.paths.romFolders, scanner.paths.romList);
    EXPECT_EQ(scanner.paths.sampleList.size(), 2u);

    dialogs.messages.clear();
    dialogs.messageAnswers = {MessageResult::Ok, MessageResult::Ok, MessageResult::Cancel};
    EXPECT_FALSE(scanner.PrepareScan(database, selection, fields));
    EXPECT_EQ(dialogs.messages.size(), 3u);

    dialogs.messages.clear();
    scanner.config.pathWarning = false;
    EXPECT_TRUE(scanner.PrepareScan(database, selection, fields));
    EXPECT_TRUE(dialogs.messages.empty());
}

class SelectGamesTest : public DiscoveryTest {
  protected:
    SelectGamesTest() {
        disk.File("roms/PacMan.zip", "").Folder("roms/pacclone").File("roms/other.zip", "");
        disk.File("samples/pacsound.zip", "");
        GameRecord pacman = Game("pacman"), puckman = Game("puckman"),
                   bigparent = Game("bigparent"), pacclone = Game("pacclone"),
                   twin = Game("PACMAN");
        pacman.isParent = true;
        pacman.clones = {{"puckman", 1}};
        puckman.isClone = true;
        puckman.cloneOf = "pacman";
        puckman.parentIndex = 0;
        bigparent.isParent = true;
        bigparent.clones = {{"pacclone", 3}};
        pacclone.isClone = true;
        pacclone.cloneOf = "bigparent";
        pacclone.parentIndex = 2;
        database.games = {pacman, puckman,       bigparent,       pacclone,
                          twin,   Game("other"), Game("pacsound")};
        database.RebuildIndex();
        selection.assign(database.size(), {});
        scanner.paths.romList = {root + "roms/"};
        scanner.paths.sampleList = {root + "samples/"};
    }
    std::vector<std::string> Selected() const {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < database.size(); ++i) {
            if (selection.at(i).selected)
                names.push_back(database[i].name);
        }
        return names;
    }
    GameDatabase database;
    GameSelection selection;
};

TEST_F(SelectGamesTest, PatternSelectsSetsOnDiskAndMergeAddsRelatives) {
    scanner.paths.chosenList = {"PAC*"};
    scanner.config.options.MergeSplit = false;
    scanner.config.options.MergeFull = false;
    scanner.SelectGames(database, selection);
    EXPECT_EQ(Selected(), (Strings{"pacman", "pacclone", "PACMAN", "pacsound"}));

    scanner.config.options.MergeFull = true;
    scanner.SelectGames(database, selection);
    EXPECT_EQ(Selected(),
              (Strings{"pacman", "puckman", "bigparent", "pacclone", "PACMAN", "pacsound"}));

    scanner.config.options = {};  // MergeSplit is on by default
    scanner.paths.chosenList = {"other"};
    scanner.SelectGames(database, selection);
    EXPECT_EQ(Selected(), Strings{"other"});
}

TEST_F(SelectGamesTest, NothingMatchingSelectsEveryGame) {
    for (const Strings& chosen : {Strings{"zzz*"}, Strings{}}) {
        for (GameMarks& marks : selection)
            marks.selected = false;
        scanner.paths.chosenList = chosen;
        scanner.SelectGames(database, selection);
        EXPECT_EQ(Selected().size(), database.size());
    }
}

TEST_F(DiscoveryTest, SetExistsFindsFoldersAndZipsIgnoringCase) {
    disk.File("roms/PacMan.zip", "").Folder("roms/Galaxian").File("roms/plain", "");
    disk.Folder("roms/fake.zip");
    Age("roms");
    GameFindings game;
    EXPECT_TRUE(scanner.SetExists(root + "roms/pacman", game));
    EXPECT_TRUE(game.setFound);

    GameFindings other;
    EXPECT_TRUE(scanner.SetExists(root + "roms/galaxian", other));
    for (const char* name : {"plain", "fake", "absent"}) {
        GameFindings absent;
        EXPECT_FALSE(scanner.SetExists(root + "roms/" + name, absent)) << name;
        EXPECT_FALSE(absent.setFound) << name;
    }
    // A later miss never clears what an earlier location found.
    EXPECT_FALSE(scanner.SetExists(root + "elsewhere/pacman", game));
    EXPECT_TRUE(game.setFound);
}

TEST_F(DiscoveryTest, FileExistsInSetLooksInTheZipAndLetsALooseFileDecide) {
    const std::string good = "good data", bad = "bad data!";
    disk.File("roms/neogeo/X.ROM", bad).File("roms/neogeo/loose.rom", good);
    test::ZipBuilder()
        .Add("bios/Neo-Geo.rom", good)
        .Add("x.rom", good)
        .Write(root + "roms/NeoGeo.zip");
    const std::string set = root + "roms/neogeo/";
    const auto size = static_cast<std::uint32_t>(good.size());

    EXPECT_TRUE(scanner.FileExistsInSet(set + "neo-geo.rom", false, 0, 0));
    EXPECT_TRUE(scanner.FileExistsInSet(set + "neo-geo.rom", true, CrcOf(good), size));
    EXPECT_FALSE(scanner.FileExistsInSet(set + "neo-geo.rom", true, CrcOf(bad), size));
    EXPECT_FALSE(scanner.FileExistsInSet(set + "neo-geo.rom", true, CrcOf(good), size + 1));
    EXPECT_FALSE(scanner.FileExistsInSet(set + "absent.rom", false, 0, 0));
    // The loose copy replaces the zip's answer, in both directions.
    EXPECT_FALSE(scanner.FileExistsInSet(set + "x.rom", true, CrcOf(good), size));
    EXPECT_TRUE(scanner.FileExistsInSet(set + "x.rom", false, 0, 0));
    EXPECT_TRUE(scanner.FileExistsInSet(set + "loose.rom", true, CrcOf(good), size));
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace vextral
