#include "FixerFixture.h"

namespace vextral::test {
namespace {

class FixerSpellingTest : public FixerFixture {
  protected:
    ScannedRom Rom(const std::string& name) {
        ScannedRom rom;
        rom.name = rom.lookupName = name;
        return rom;
    }
};

TEST_F(FixerSpellingTest, FolderRomTakesTheExpectedCaseAfterAsking) {
    FolderBuilder(roms).File("abc/ABC.ROM", "data");
    ScannedGame game = Game("abc");
    ScannedRom rom = Rom("abc.rom");
    std::vector<ZipEntry> none;
    Answer({AskAnswer::Yes});

    Result(fixer.FixRomSpelling(roms + "abc/abc.rom", rom, rom, false, none, roms + "abc", game));

    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].caption, "Fix Wrong Spelled Roms In Gameset 'Game abc' ?");
    EXPECT_EQ(dialogs.questions[0].question, "\nDo you want to rename 'ABC.ROM' as 'abc.rom' ?");
    EXPECT_EQ(rom.foundName, "ABC.ROM");
    EXPECT_FALSE(rom.nameCaseOk);
    EXPECT_TRUE(rom.caseFixed);
    EXPECT_EQ(last.changes, (std::vector<FileChange>{{ChangeKind::Renamed, roms + "abc/ABC.ROM", "",
                                                      roms + "abc/abc.rom"}}));
    EXPECT_EQ(ReadTree(roms + "abc/"), (std::map<std::string, std::string>{{"abc.rom", "data"}}));
}

TEST_F(FixerSpellingTest, ZipRomIsRenamedAndItsIndexFollows) {
    const std::string zipPath =
        ZipBuilder().Add("ABC.ROM", "abc data").AddDeflated("z.rom", "zzz").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    ScannedRom rom = Rom("abc.rom");
    std::vector<ZipEntry> entries = List(zipPath);
    rom.zipIndex = 0;
    Answer({AskAnswer::Yes});

    Result(fixer.FixRomSpelling(roms + "abc/abc.rom", rom, rom, true, entries, roms + "abc", game));

    EXPECT_TRUE(rom.caseFixed);
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"abc.rom", "abc data"}, {"z.rom", "zzz"}}));
    EXPECT_EQ(last.changes,
              (std::vector<FileChange>{{ChangeKind::Renamed, zipPath, "ABC.ROM", "abc.rom"}}));
    ASSERT_LT(rom.zipIndex, entries.size());
    EXPECT_EQ(entries[rom.zipIndex].storedName, "abc.rom");
    EXPECT_EQ(ReadTree(scratchFolder), (std::map<std::string, std::string>{}));
}

TEST_F(FixerSpellingTest, AnswersDecideWhatIsRenamed) {
    struct Case {
        AskAnswer answer;
        bool renamed;
        bool stops;
    };
    for (const Case& c : {Case{AskAnswer::No, false, false}, Case{AskAnswer::Stop, false, true},
                          Case{AskAnswer::Closed, true, false}}) {
        TempFolder folder;
        FolderBuilder(folder.Path()).File("abc/Abc.rom", "x");
        consent.Reset(options);
        ScannedGame game = Game("abc");
        ScannedRom rom = Rom("abc.rom");
        std::vector<ZipEntry> none;
        Answer({c.answer});
        Result(fixer.FixRomSpelling(folder / "abc/abc.rom", rom, rom, false, none, folder / "abc",
                                    game));
        EXPECT_EQ(rom.caseFixed, c.renamed);
        EXPECT_EQ(last.status, c.renamed ? FixStatus::Done : FixStatus::Declined);
        EXPECT_EQ(last.changes.empty(), !c.renamed);
        EXPECT_EQ(IsRegularFile(folder / "abc/abc.rom"), c.renamed);
        EXPECT_EQ(consent.StopRequested(), c.stops);
    }
}

TEST_F(FixerSpellingTest, AnswersForAllHoldForTheRestOfTheRun) {
    FolderBuilder(roms).File("abc/A.ROM", "a").File("abc/B.ROM", "b");
    ScannedGame game = Game("abc");
    ScannedRom a = Rom("a.rom");
    ScannedRom b = Rom("b.rom");
    std::vector<ZipEntry> none;
    Answer({AskAnswer::NoToAll});
    Result(fixer.FixRomSpelling(roms + "abc/a.rom", a, a, false, none, roms + "abc", game));
    Result(fixer.FixRomSpelling(roms + "abc/b.rom", b, b, false, none, roms + "abc", game));
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_FALSE(a.caseFixed || b.caseFixed);

    consent.Reset(options);
    Answer({AskAnswer::YesToAll});
    Result(fixer.FixRomSpelling(roms + "abc/a.rom", a, a, false, none, roms + "abc", game));
    Result(fixer.FixRomSpelling(roms + "abc/b.rom", b, b, false, none, roms + "abc", game));
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_TRUE(a.caseFixed && b.caseFixed);
    EXPECT_EQ(ReadTree(roms + "abc/"),
              (std::map<std::string, std::string>{{"a.rom", "a"}, {"b.rom", "b"}}));
}

TEST_F(FixerSpellingTest, RightNameOrFixOffAsksNothing) {
    FolderBuilder(roms).File("abc/abc.rom", "x").File("abc/B.ROM", "b");
    ScannedGame game = Game("abc");
    ScannedRom right = Rom("abc.rom");
    ScannedRom wrong = Rom("b.rom");
    std::vector<ZipEntry> none;
    Result(
        fixer.FixRomSpelling(roms + "abc/abc.rom", right, right, false, none, roms + "abc", game));
    EXPECT_TRUE(right.nameCaseOk);
    options.FixSpelling = false;
    Result(fixer.FixRomSpelling(roms + "abc/b.rom", wrong, wrong, false, none, roms + "abc", game));
    EXPECT_FALSE(wrong.nameCaseOk);
    EXPECT_FALSE(wrong.caseFixed);
    EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(FixerSpellingTest, TakenIntermediateNameDestroysNothing) {
    FolderBuilder(roms).File("abc/ABC.ROM", "rom").File("abc/ABC.ROM_tmp", "precious");
    ScannedGame game = Game("abc");
    ScannedRom rom = Rom("abc.rom");
    std::vector<ZipEntry> none;
    Answer({AskAnswer::Yes});
    Result(fixer.FixRomSpelling(roms + "abc/abc.rom", rom, rom, false, none, roms + "abc", game));
    EXPECT_FALSE(rom.caseFixed);
    EXPECT_EQ(ReadTree(roms + "abc/"), (std::map<std::string, std::string>{
                                           {"ABC.ROM", "rom"}, {"ABC.ROM_tmp", "precious"}}));
}

TEST_F(FixerSpellingTest, ZipSampleRenamedWithItsOwnCaption) {
    const std::string zipPath =
        ZipBuilder().Add("Boom.wav", "w").Add("z.wav", "z").Write(roms + "abc.zip");
    ScannedGame game = Game("abc");
    ScannedSample sample;
    sample.name = "boom.wav";
    sample.zipIndex = 0;
    std::vector<ZipEntry> entries = List(zipPath);
    Answer({AskAnswer::Yes});
    Result(fixer.FixSampleSpelling(roms + "abc/boom.wav", sample, sample, true, entries,
                                   roms + "abc", game));
    EXPECT_EQ(dialogs.questions.at(0).caption, "Fix Wrong Spelled Samples In Gameset 'Game abc' ?");
    EXPECT_TRUE(sample.caseFixed);
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"boom.wav", "w"}, {"z.wav", "z"}}));
    // The list is read again; the renamed member keeps its place, and so does the sample's
    // index.
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].storedName, "boom.wav");
    EXPECT_EQ(sample.zipIndex, 0u);
}

TEST_F(FixerSpellingTest, ZipRenameNeverReplacesAnotherMember) {
    const std::string zipPath =
        ZipBuilder().Add("ABC.ROM", "upper").Add("abc.rom", "lower").Write(roms + "abc.zip");
    const std::vector<ZipEntry> entries = List(zipPath);
    EXPECT_FALSE(fixer.RenameInZip(entries[0], "abc.rom"));
    EXPECT_EQ(Members(zipPath),
              (std::map<std::string, std::string>{{"ABC.ROM", "upper"}, {"abc.rom", "lower"}}));
}

TEST_F(FixerSpellingTest, NoRenameOntoANameAnotherFileBearsInOtherCase) {
    // ABC.ROM -> abc.rom beside Abc.Rom would leave two files that every lookup ignoring case
    // takes for one.
    const std::map<std::string, std::string> both{{"ABC.ROM", "upper"}, {"Abc.Rom", "mixed"}};
    for (const bool inZip : {true, false}) {
        SCOPED_TRACE(inZip);
        TempFolder folder;
        std::vector<ZipEntry> entries;
        if (inZip) {
            entries = List(ZipBuilder()
                               .Add("ABC.ROM", "upper")
                               .Add("Abc.Rom", "mixed")
                               .Write(folder / "abc.zip"));
        } else {
            FolderBuilder(folder.Path()).File("abc/ABC.ROM", "upper").File("abc/Abc.Rom", "mixed");
        }
        ScannedGame game = Game("abc");
        ScannedRom rom = Rom("abc.rom");
        rom.zipIndex = 0;
        Answer({AskAnswer::Yes});
        Result(fixer.FixRomSpelling(folder / "abc/abc.rom", rom, rom, inZip, entries,
                                    folder / "abc", game));
        EXPECT_FALSE(rom.caseFixed);
        EXPECT_EQ(inZip ? Members(folder / "abc.zip") : ReadTree(folder / "abc/"), both);
    }
}

TEST_F(FixerSpellingTest, GameSetZipAndFolderTakeTheGamesName) {
    ZipBuilder().Add("a.rom", "a").Write(roms + "Pacman.zip");
    FolderBuilder(roms).File("GALAGA/g.rom", "g");
    ScannedGame pacman = Game("pacman");
    ScannedGame galaga = Game("galaga");
    Answer({AskAnswer::Yes, AskAnswer::Yes});
    Result(fixer.FixGameSpelling(roms + "pacman", pacman, pacman));
    Result(fixer.FixGameSpelling(roms + "galaga", galaga, galaga));
    EXPECT_EQ(dialogs.questions.at(0).caption, "Fix Wrong Spelled Game 'Game pacman' ?");
    EXPECT_EQ(dialogs.questions.at(0).question, "\nDo you want to rename 'Pacman' as 'pacman' ?");
    EXPECT_EQ(pacman.foundSetName, "Pacman");
    EXPECT_TRUE(pacman.setNameFixed && galaga.setNameFixed);
    EXPECT_TRUE(IsRegularFile(roms + "pacman.zip"));
    EXPECT_EQ(ReadTree(roms + "galaga/"), (std::map<std::string, std::string>{{"g.rom", "g"}}));
    EXPECT_FALSE(PathExists(roms + "Pacman.zip") || PathExists(roms + "GALAGA"));
}

TEST_F(FixerSpellingTest, ZipWinsOverAFolderOfTheSameSet) {
    ZipBuilder().Add("a.rom", "a").Write(roms + "Pacman.zip");
    FolderBuilder(roms).File("PACMAN/b.rom", "b");
    ScannedGame game = Game("pacman");
    Answer({AskAnswer::Yes});
    Result(fixer.FixGameSpelling(roms + "pacman", game, game));
    EXPECT_EQ(dialogs.questions.at(0).question, "\nDo you want to rename 'Pacman' as 'pacman' ?");
    EXPECT_EQ(game.foundSetName, "Pacman");
    EXPECT_TRUE(game.setNameFixed);
    EXPECT_TRUE(IsRegularFile(roms + "pacman.zip"));
    EXPECT_EQ(ReadFile(roms + "PACMAN/b.rom"), "b");

    // A rightly named zip makes the set right, whatever the folder is called.
    ScannedGame galaga = Game("galaga");
    ZipBuilder().Add("g.rom", "g").Write(roms + "galaga.zip");
    FolderBuilder(roms).File("Galaga/g.rom", "g");
    Result(fixer.FixGameSpelling(roms + "galaga", galaga, galaga));
    EXPECT_TRUE(galaga.setNameOk);
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(IsFolder(roms + "Galaga"));
}

TEST_F(FixerSpellingTest, CloneSetNamedAfterItsParentIsRightInAMergeMode) {
    ZipBuilder().Add("a.rom", "a").Write(roms + "puckman.zip");
    FolderBuilder(roms).File("galaxian/g.rom", "g");
    ScannedGame clone = Game("pacmanc");
    clone.isClone = true;
    options.MergeSplit = true;
    for (const std::string parent : {"puckman", "galaxian"}) {  // a zip, a folder
        clone.cloneOf = parent;
        clone.setNameOk = false;
        Result(fixer.FixGameSpelling(roms + parent, clone, clone));
        EXPECT_TRUE(clone.setNameOk) << parent;
    }
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(IsRegularFile(roms + "puckman.zip"));
    EXPECT_TRUE(IsFolder(roms + "galaxian"));
}

TEST_F(FixerSpellingTest, GameSetWithTakenIntermediateNameStays) {
    ZipBuilder().Add("a.rom", "a").Write(roms + "Pacman.zip");
    WriteFile(roms + "Pacman.zip_tmp", "precious");
    ScannedGame game = Game("pacman");
    Answer({AskAnswer::Yes});
    Result(fixer.FixGameSpelling(roms + "pacman", game, game));
    EXPECT_FALSE(game.setNameFixed);
    EXPECT_TRUE(IsRegularFile(roms + "Pacman.zip"));
    EXPECT_EQ(ReadFile(roms + "Pacman.zip_tmp"), "precious");
}

}  // namespace
}  // namespace vextral::test
