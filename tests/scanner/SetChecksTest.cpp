// The decisions of the set checks one by one, and the fixes the scan hands its findings to.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "archive/Crc32.h"
#include "scanner/ScanFixture.h"
#include "support/ZipContents.h"

namespace vextral {
namespace {

using test::DataWithCrc;
using test::ListBuilder;
using test::Right;
using test::SetFile;

class SetChecksTest : public test::ScanFixture {
  protected:
    // pa has p1 and p2; its clone pc has p1 (shared) and c1; both sets exist split.
    void LoadFamily() {
        ListBuilder list;
        list.Game("pa", "Papa").Rom("p1.rom", 8, 0x50505050).Rom("p2.rom", 8, 0x51515151);
        list.Game("pc", "Papa Clone")
            .CloneOf("pa")
            .Rom("c1.rom", 8, 0x52525252)
            .Rom("p1.rom", 8, 0x50505050);
        Load(list);
        romFolder.ZipSet("pa", {Right("p1.rom", 0x50505050, 8), Right("c1.rom", 0x52525252, 8)})
            .ZipSet("pc", {Right("c1.rom", 0x52525252, 8), Right("p1.rom", 0x50505050, 8)});
    }
    void Prepare() {
        PathFields fields;
        fields.rom = romFolder.Root();
        fields.sample = sampleFolder.Root();
        fields.misc = temp / "misc";
        std::filesystem::create_directories(temp / "misc");
        ASSERT_TRUE(scanner.PrepareScan(database, selection, fields));
    }
    static FileDataSource Holding(std::uint64_t size, std::uint32_t crc) {
        return [=]() -> std::optional<FileData> { return FileData{size, crc}; };
    }
    void SetMerge(bool full, bool split, bool advanced) {
        scanner.config.options.MergeFull = full;
        scanner.config.options.MergeSplit = split;
        scanner.config.options.UnneededAdvanced = advanced;
    }
};

TEST_F(SetChecksTest, RomFileNeededFollowsMergeModeAndAdvancedOption) {
    LoadFamily();
    Prepare();
    const GameRecord& parent = Game("pa");
    const GameRecord& clone = Game("pc");
    struct Row {
        bool full, split, advanced;
        bool cloneSharedRom, cloneOwnRom, parentHoldsCloneRom, parentUnknown;
    };
    // The clone's own c1 lies in the parent's zip too; the shared p1 in both.
    const Row rows[] = {
        {false, false, false, true, true, false, false},
        {false, false, true, true, true, false, false},
        {false, true, false, true, true, true, false},
        {false, true, true, false, true, false, false},
        {true, false, false, true, true, true, false},
        {true, false, true, false, false, true, false},
    };
    for (const Row& row : rows) {
        SetMerge(row.full, row.split, row.advanced);
        SCOPED_TRACE(testing::Message() << "full " << row.full << " split " << row.split
                                        << " advanced " << row.advanced);
        const auto p1 = Holding(8, 0x50505050);
        const auto c1 = Holding(8, 0x52525252);
        EXPECT_EQ(scanner.IsRomFileNeeded(clone, "P1.ROM", database, p1), row.cloneSharedRom);
        EXPECT_EQ(scanner.IsRomFileNeeded(clone, "c1.rom", database, c1), row.cloneOwnRom);
        EXPECT_EQ(scanner.IsRomFileNeeded(parent, "c1.rom", database, c1), row.parentHoldsCloneRom);
        EXPECT_EQ(scanner.IsRomFileNeeded(parent, "readme.txt", database), row.parentUnknown);
        // Other bytes under the same name are never a duplicate.
        const auto other = Holding(8, 0x12345678);
        EXPECT_TRUE(scanner.IsRomFileNeeded(clone, "P1.ROM", database, other));
        EXPECT_TRUE(scanner.IsRomFileNeeded(clone, "c1.rom", database, other));
        EXPECT_EQ(scanner.IsRomFileNeeded(parent, "c1.rom", database, other),
                  row.full || row.split);
    }
}

TEST_F(SetChecksTest, SampleNeededLooksIntoTheAlternativeSet) {
    ListBuilder list;
    list.Game("os", "Oscar")
        .SampleOf("oss")
        .Rom("o.rom", 4, 0x4F4F4F4F)
        .Sample("a.wav")
        .Sample("b.wav");
    list.Game("oss", "Oscars").Rom("s.rom", 4, 0x53535353).Sample("a.wav");
    Load(list);
    sampleFolder.ZipSet("oss", {{"A.WAV", "a"}});
    Prepare();
    const GameRecord& game = Game("os");
    EXPECT_TRUE(scanner.IsSampleFileNeeded(game, "a.wav"));
    EXPECT_TRUE(scanner.IsSampleFileNeeded(game, "b.wav"));
    EXPECT_FALSE(scanner.IsSampleFileNeeded(game, "c.wav"));
    scanner.config.options.UnneededAdvanced = true;
    EXPECT_FALSE(scanner.IsSampleFileNeeded(game, "a.wav"));  // the alternative set holds it
    EXPECT_TRUE(scanner.IsSampleFileNeeded(game, "b.wav"));
    scanner.config.options.AltSamples = false;
    EXPECT_TRUE(scanner.IsSampleFileNeeded(game, "a.wav"));
}

TEST_F(SetChecksTest, ProgramMiscAndConfiguredFoldersAreNeverUnneeded) {
    ListBuilder list;
    list.Game("pa", "Papa").Rom("p1.rom", 8, 0x50505050);
    Load(list);
    // The program folder and a second rom folder lie inside the first rom folder.
    scanner.config.programFolder = romFolder.Root() + "Prog/";
    romFolder.Folder("Prog/backup.vxt").Folder("inner").File("loose.bin", "x").File("PA.ZIP", "");
    PathFields fields;
    fields.rom = romFolder.Root() + ";" + romFolder.Root() + "inner";
    fields.misc = romFolder.Root() + "inner";
    ASSERT_TRUE(scanner.PrepareScan(database, selection, fields));

    GameFindings collector;
    scanner.CheckUnneededInPath(scanner.paths.romList[0], collector, database,
                                /*isRomFolder=*/true);
    scanner.CheckUnneededInPath(scanner.paths.romList[0], collector, database,
                                /*isRomFolder=*/true);
    ASSERT_EQ(collector.unneededList.size(), 1u);  // listed twice, kept once
    EXPECT_EQ(collector.unneededList[0].path, scanner.paths.romList[0] + "loose.bin");
    EXPECT_EQ(collector.unneededList[0].setName, "_unknown");
    EXPECT_FALSE(collector.unneededList[0].isFolder);

    GameFindings game;
    const std::string prog = scanner.config.programFolder;
    for (const std::string& path :
         {prog + "a.txt", prog + "backup.vxt/pa/p1.rom", prog + "tempzip.vxt/x",
          prog + "backup.vxt", scanner.paths.romList[1] + "misc.txt",
          scanner.paths.romList[0] + "pa/keep.txt"}) {
        UnneededEntry entry;
        entry.path = path;
        entry.isFolder = path.ends_with("backup.vxt");
        game.unneededList.push_back(entry);
    }
    scanner.DropExcludedFolders(game);
    ASSERT_EQ(game.unneededList.size(), 2u);
    EXPECT_EQ(game.unneededList[0].path, prog + "backup.vxt/pa/p1.rom");
    EXPECT_EQ(game.unneededList[1].path, scanner.paths.romList[0] + "pa/keep.txt");
}

TEST_F(SetChecksTest, WrongNamesNeedAJudgeableMatch) {
    ListBuilder list;
    list.Game("wn", "Wrong Names")
        .Rom("a.rom", 8, 0x0A0A0A0A)
        .Rom("b.rom", 8, 0x0B0B0B0B)
        .Rom("nodump.rom", 8)
        .Rom("x.rom", 8, 0x0C0C0C0C);
    list.Game("wc", "Wrong Names Clone").CloneOf("wn").Rom("d.rom", 8, 0x0D0D0D0D);
    Load(list);
    // a and b swapped; nodump.rom holds x's data but has no checksum to judge by; a
    // complemented dump of d counts only in the clone's own set.
    romFolder.FolderSet("wn", {Right("a.rom", 0x0B0B0B0B, 8), Right("b.rom", 0x0A0A0A0A, 8),
                               Right("nodump.rom", 0x0C0C0C0C, 8), Right("y.rom", ~0x0D0D0D0Du, 8),
                               Right("z.rom", 0x0D0D0D0D, 8)});
    Prepare();
    GameFindings game;
    scanner.CheckWrongNames(Game("wn"), game, scanner.paths.romList[0] + "wn", false, {}, database);
    ASSERT_EQ(game.wrongNameList.size(), 3u);
    EXPECT_EQ(game.wrongNameList[0].wrongName, "a.rom");
    EXPECT_EQ(game.wrongNameList[0].rightName, "b.rom");
    EXPECT_EQ(game.wrongNameList[0].path, scanner.paths.romList[0] + "wn/a.rom");
    EXPECT_FALSE(game.wrongNameList[0].inZip);
    EXPECT_EQ(game.wrongNameList[1].rightName, "a.rom");
    EXPECT_EQ(game.wrongNameList[2].wrongName, "z.rom");  // the clone's d.rom, by its crc
    EXPECT_EQ(game.wrongNameList[2].rightName, "d.rom");
}

TEST_F(SetChecksTest, LongerRomIsCutWhileShorterRomAndRomWithoutChecksumAreOnlyReported) {
    ListBuilder list;
    list.Game("len", "Lengths")
        .Rom("long.rom", 8, 0x4C4C4C4C)
        .Rom("nocrc.rom", 8)
        .Rom("short.rom", 16, 0x53535353);
    Load(list);
    // The wanted 8 bytes sit behind 8 bytes of padding.
    const std::string wanted = DataWithCrc(0x4C4C4C4C, 8);
    romFolder.FolderSet("len", {{"long.rom", "padding!" + wanted},
                                {"nocrc.rom", "0123456789"},
                                Right("short.rom", 0x53535353, 8)});
    scanner.config.options.FixLength = true;
    dialogs.askAnswers = {AskAnswer::Yes};
    EXPECT_TRUE(Scan());

    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Lengths [folder: len]
wrong length: long.rom [wrong: 16] [right: 8] [fixed]
wrong length: nocrc.rom [wrong: 10] [right: 8] [not fixed]
wrong length: short.rom [wrong: 8] [right: 16] [not fixed]
)"));
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].question,
              "\nDo you want to resize '" + scanner.paths.romList[0] + "len/long.rom' ?");
    EXPECT_EQ(test::ReadFile(romFolder.Root() + "len/long.rom"), wanted);
    // The checksum was taken from the cut file.
    EXPECT_TRUE(Found("len").roms[0].crcOk);
}

TEST_F(SetChecksTest, WrongCaseOfSetAndRomIsFixedAfterConsent) {
    ListBuilder list;
    list.Game("case", "Case").Rom("c.rom", 8, 0x43434343);
    Load(list);
    romFolder.ZipSet("CASE", {Right("C.Rom", 0x43434343, 8)});
    scanner.config.options.FixSpelling = true;
    dialogs.askAnswers = {AskAnswer::Yes, AskAnswer::Yes};
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), Expected(R"(
Case [folder: case]
wrong spelling: case [wrong: CASE] [right: case] [fixed]
wrong spelling: c.rom [wrong: C.Rom] [right: c.rom] [fixed]
)"));
    std::vector<ZipEntry> members;
    ASSERT_TRUE(
        scanner.zipReader().ReadZipDirectory(romFolder.Root() + "case.zip", members, false, true));
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].name, "c.rom");

    // A second scan finds nothing left to fix.
    EXPECT_TRUE(Scan());
    EXPECT_EQ(scanner.report().logText(), "");
}

// A parent and a clone listing ROMs of one name with other data (as hundreds of real families
// do): nothing of the parent's is the clone's, and the clone's own ROM is no duplicate.
TEST_F(SetChecksTest, SameNameIsNotSameData) {
    ListBuilder list;
    list.Game("pa", "Papa").Rom("prog.bin", 16, 0x50505050).Rom("snd.bin", 8, 0x53535353);
    list.Game("kid", "Kid")
        .CloneOf("pa")
        .Rom("prog.bin", 8, 0x4B4B4B4B)
        .Rom("snd.bin", 8, 0x53535353);
    list.Game("twin", "Twin")
        .CloneOf("pa")
        .Rom("snd.bin", 8, 0x53535353)
        .Rom("t.bin", 8, 0x54545454);
    // Its m1.bin holds the parent's prog.bin data; its own prog.bin is other data.
    list.Game("mm", "Mm")
        .CloneOf("pa")
        .Rom("prog.bin", 8, 0x4D4D4D4D)
        .Rom("m1.bin", 16, 0x50505050);
    list.Game("wn", "Wrong Name").Rom("a.rom", 8, 0x0A0A0A0A);
    Load(list);
    const SetFile parentProg = Right("prog.bin", 0x50505050, 16);
    const SetFile kidProg = Right("prog.bin", 0x4B4B4B4B, 8);
    const SetFile snd = Right("snd.bin", 0x53535353, 8);
    const SetFile twinOwn = Right("t.bin", 0x54545454, 8);
    const SetFile mmProg = Right("prog.bin", 0x4D4D4D4D, 8);
    const SetFile mmOwn{"m1.bin", parentProg.data};

    struct Row {
        const char* what;
        std::function<void()> arrange;  // sets and options
        const char* log;
        std::function<void()> check;
    };
    const Row rows[] = {
        {"a clone's shorter ROM never cuts the parent's",
         [&] {
             scanner.config.options.FixLength = true;
             romFolder.ZipSet("pa", {parentProg, snd}).ZipSet("kid", {kidProg});
         },
         "",
         [&] {
             EXPECT_EQ(
                 test::ReadMembers(romFolder.Root() + "pa.zip", temp / "x", dialogs).at("prog.bin"),
                 parentProg.data);
         }},
        {"missing in the clone's set, the parent's same name does not stand in",
         [&] {
             scanner.config.options.FixLength = true;
             romFolder.ZipSet("pa", {parentProg, snd});
         },
         R"(
Kid [folder: kid - parent: pa]
missing game: Kid
missing rom: prog.bin [length: 8] [chksum: 4b4b4b4b (b4b4b4b4)]
)",
         [&] {
             EXPECT_EQ(
                 test::ReadMembers(romFolder.Root() + "pa.zip", temp / "x", dialogs).at("prog.bin"),
                 parentProg.data);
         }},
        {"advanced unneeded keeps the clone's own ROM, removes the true duplicate",
         [&] {
             scanner.config.options.UnneededAdvanced = true;
             scanner.config.options.Unneeded = false;
             scanner.config.options.FixUnneeded = true;
             scanner.config.options.Backup = false;
             romFolder.ZipSet("pa", {parentProg, snd}).ZipSet("kid", {kidProg, snd});
         },
         R"(
Kid [folder: kid - parent: pa]
unneeded file: {R}kid/snd.bin [fixed]
)",
         [&] {
             const auto kid = test::ReadMembers(romFolder.Root() + "kid.zip", temp / "x", dialogs);
             EXPECT_EQ(kid.size(), 1u);
             EXPECT_EQ(kid.at("prog.bin"), kidProg.data);
         }},
        {"full merge into a folder: the clone found in its parent's folder is rightly named",
         [&] {
             scanner.config.options.MergeFull = true;
             scanner.config.options.MergeSplit = false;
             romFolder.FolderSet("pa", {parentProg, snd, twinOwn}).ZipSet("kid", {kidProg, snd});
         },
         "", [] {}},
        {"... and is not renamed onto itself",
         [&] {
             scanner.config.options.MergeFull = true;
             scanner.config.options.MergeSplit = false;
             scanner.config.options.FixSpelling = true;
             scanner.config.options.Ask = true;
             romFolder.FolderSet("pa", {parentProg, snd, twinOwn}).ZipSet("kid", {kidProg, snd});
         },
         "", [&] { EXPECT_TRUE(dialogs.questions.empty()); }},
        {"a clone's data misplaced under the parent's name leaves the clone's copy needed",
         [&] {
             scanner.config.options.UnneededAdvanced = true;
             scanner.config.options.Unneeded = false;
             scanner.config.options.FixUnneeded = true;
             scanner.config.options.Backup = false;
             romFolder.ZipSet("pa", {{"prog.bin", kidProg.data}, snd}).ZipSet("kid", {kidProg});
         },
         R"(
Papa [folder: pa]
wrong length: prog.bin [wrong: 8] [right: 16]
wrong checksum: prog.bin [wrong: 4b4b4b4b] [right: 50505050 (afafafaf)]
)",
         [&] { EXPECT_TRUE(std::filesystem::exists(romFolder.Root() + "kid.zip")); }},
        {"a shared ROM in the parent's set is fixed by the parent's check, not the clone's",
         [&] {
             scanner.config.options.FixSpelling = true;
             scanner.config.options.Ask = true;
             dialogs.askAnswers = {AskAnswer::Yes};
             romFolder.ZipSet("pa", {parentProg, {"SND.BIN", snd.data}}).ZipSet("kid", {kidProg});
         },
         R"(
Kid [folder: kid - parent: pa]
wrong spelling: snd.bin [wrong: SND.BIN] [right: snd.bin] [not fixed]

Papa [folder: pa]
wrong spelling: snd.bin [wrong: SND.BIN] [right: snd.bin] [fixed]
)",
         [&] {
             ASSERT_EQ(dialogs.questions.size(), 1u);
             EXPECT_EQ(dialogs.questions[0].caption, "Fix Wrong Spelled Roms In Gameset 'Papa' ?");
         }},
        {"full merge: a clone ROM found in the parent's set is not taken for the clone's other "
         "ROM that the list names like the parent's",
         [&] {
             scanner.config.options.MergeFull = true;
             scanner.config.options.MergeSplit = false;
             romFolder.ZipSet("pa", {parentProg, snd, twinOwn, mmOwn})
                 .ZipSet("kid", {kidProg})
                 .ZipSet("mm", {mmProg});
         },
         "", [] {}},
        {"data under a wrong name is not removed while its ROM is missing",
         [&] {
             scanner.config.options.FixUnneeded = true;
             scanner.config.options.Backup = false;
             std::filesystem::remove(romFolder.Root() + "wn.zip");
             romFolder.ZipSet("pa", {parentProg, snd})
                 .ZipSet("kid", {kidProg})
                 .FolderSet("wn", {Right("x.rom", 0x0A0A0A0A, 8)});
         },
         R"(
Wrong Name [folder: wn]
wrong name: {R}wn/x.rom [wrong: x.rom] [right: a.rom]
missing rom: a.rom [length: 8] [chksum: a0a0a0a (f5f5f5f5)]
unneeded file: {R}wn/x.rom [not fixed]
)",
         [&] { EXPECT_TRUE(std::filesystem::exists(romFolder.Root() + "wn/x.rom")); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove_all(romFolder.Root());
        std::filesystem::create_directories(romFolder.Root());
        romFolder.ZipSet("twin", {twinOwn})
            .ZipSet("mm", {mmProg, mmOwn})
            .ZipSet("wn", {Right("a.rom", 0x0A0A0A0A, 8)});
        scanner.config.options = ScanOptions{};
        scanner.config.options.Spelling = true;
        scanner.config.options.Ask = false;
        scanner.config.options.Samples = false;
        dialogs.questions.clear();
        row.arrange();
        if (scanner.config.options.MergeFull)  // twin lives in pa's folder
            std::filesystem::remove(romFolder.Root() + "twin.zip");
        EXPECT_TRUE(Scan());
        EXPECT_EQ(scanner.report().logText(), Expected(row.log));
        row.check();
    }
}

}  // namespace
}  // namespace vextral
