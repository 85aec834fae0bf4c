// Every archive fix is one transaction on the member it found.

#include <functional>

#include "FixerFixture.h"
#include "archive/Crc32.h"

namespace vextral::test {
namespace {

using Tree = std::map<std::string, std::string>;

class FixerTransactionTest : public FixerFixture {
  protected:
    FixerTransactionTest() { options.Ask = false; }

    // Runs fix with the zip library failing its first step, then its second, and so on until
    // a run meets no failure: each failed run leaves the rom folder byte for byte and reports
    // not fixed; the last run fixes.
    void FailEachStepInTurn(const std::function<bool()>& fix) {
        const Tree before = ReadTree(roms);
        for (zip.failStep = 1;; ++zip.failStep) {
            zip.steps = zip.failures = 0;
            consent.Reset(options);
            const bool fixed = fix();
            if (zip.failures == 0) {
                EXPECT_TRUE(fixed);
                EXPECT_GT(zip.failStep, 2);  // opening, a change and the commit at least
                break;
            }
            EXPECT_FALSE(fixed) << "step " << zip.failStep;
            EXPECT_EQ(ReadTree(roms), before) << "step " << zip.failStep;
            ASSERT_LT(zip.failStep, 20);
        }
        EXPECT_EQ(ReadTree(scratchFolder), Tree{});
    }

    WrongNameEntry Finding(const ZipEntry& entry, const std::string& right) {
        WrongNameEntry finding;
        finding.wrongName = entry.name;
        finding.rightName = right;
        finding.path = roms + "abc/" + entry.name;
        finding.inZip = true;
        finding.memberName = entry.storedName;
        finding.entry = entry;
        return finding;
    }
    UnneededEntry Item(const ZipEntry& entry) {
        UnneededEntry item;
        item.path = roms + "abc/" + entry.storedName;
        item.setName = "abc";
        item.inZip = true;
        item.zipPath = entry.zipPath;
        item.memberName = entry.storedName;
        item.entry = entry;
        return item;
    }

    const std::string zipPath = roms + "abc.zip";
    ScannedGame game = Game("abc");
};

TEST_F(FixerTransactionTest, SpellingRenameFailingAtAnyStepKeepsTheArchive) {
    ZipBuilder().Add("ABC.ROM", "abc data").AddDeflated("z.rom", "zzz").Write(zipPath);
    FailEachStepInTurn([&] {
        ScannedRom rom;
        rom.name = rom.lookupName = "abc.rom";
        std::vector<ZipEntry> entries = List(zipPath);
        Result(fixer.FixRomSpelling(roms + "abc/abc.rom", rom, rom, true, entries, roms + "abc",
                                    game));
        EXPECT_EQ(last.Done(), rom.caseFixed);  // a failure is never reported as made
        return rom.caseFixed;
    });
    EXPECT_EQ(Members(zipPath), (Tree{{"abc.rom", "abc data"}, {"z.rom", "zzz"}}));
}

TEST_F(FixerTransactionTest, SwappedNamesFailingAtAnyStepKeepTheArchive) {
    ZipBuilder().Add("a.rom", "data of b").AddDeflated("b.rom", "data of a").Write(zipPath);
    FailEachStepInTurn([&] {
        const auto entries = List(zipPath);
        game.wrongNameList = {Finding(entries[0], "b.rom"), Finding(entries[1], "a.rom")};
        Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
        const bool fixed = game.wrongNameList[0].fixed && game.wrongNameList[1].fixed;
        EXPECT_EQ(last.Done(), fixed);
        return fixed;
    });
    EXPECT_EQ(Members(zipPath), (Tree{{"a.rom", "data of a"}, {"b.rom", "data of b"}}));
}

TEST_F(FixerTransactionTest, ResizeFailingAtAnyStepKeepsTheArchive) {
    const std::string rom = "the rom itself";
    ZipBuilder().AddDeflated("ABC.ROM", "junk before " + rom).Add("z.rom", "z").Write(zipPath);
    FailEachStepInTurn([&] {
        ScannedRom record;
        record.name = record.lookupName = "abc.rom";
        record.size = static_cast<std::uint32_t>(rom.size());
        record.crc = CrcOf(rom);
        std::vector<ZipEntry> entries = List(zipPath);
        Result(fixer.ResizeRom(roms + "abc/abc.rom", game, record, record, true, entries));
        EXPECT_EQ(last.Done(), record.lengthFixed);
        return record.lengthFixed;
    });
    EXPECT_EQ(Members(zipPath), (Tree{{"abc.rom", rom}, {"z.rom", "z"}}));
}

TEST_F(FixerTransactionTest, RemovalFailingAtAnyStepKeepsTheArchiveAndOneBackup) {
    options.Backup = true;
    ZipBuilder()
        .Add("keep.rom", "k")
        .Add("junk.txt", "junk")
        .Add("more.txt", "more")
        .Write(zipPath);
    FailEachStepInTurn([&] {
        const auto entries = List(zipPath);
        game.unneededList = {Item(entries[1]), Item(entries[2])};
        Result(fixer.RemoveUnneeded(game, game.unneededList));
        const bool removed = game.unneededList[0].removed && game.unneededList[1].removed;
        EXPECT_EQ(last.Done(), removed);
        return removed;
    });
    EXPECT_EQ(Members(zipPath), (Tree{{"keep.rom", "k"}}));
    // Every run backed the members up again; identical copies are not kept twice.
    EXPECT_EQ(Backups(), (Tree{{"abc/", ""}, {"abc/junk.txt", "junk"}, {"abc/more.txt", "more"}}));
}

TEST_F(FixerTransactionTest, TwoMembersOfOneNameAreTwoMembers) {
    options.Backup = true;
    ZipBuilder()
        .Add("A.BIN", "rom a")
        .Add("A.BIN", "another rom's data")
        .Add("x.rom", "data of b")
        .Add("x.rom", "data of c")
        .Add("junk.txt", "one")
        .Add("junk.txt", "two")
        .Write(zipPath);
    const auto entries = List(zipPath);

    // A case fix may not leave a member beside another of its name in any case.
    ScannedRom rom;
    rom.name = rom.lookupName = "a.bin";
    std::vector<ZipEntry> listed = entries;
    Result(fixer.FixRomSpelling(roms + "abc/a.bin", rom, rom, true, listed, roms + "abc", game));
    EXPECT_FALSE(rom.caseFixed);

    // Each finding renames, and each item removes, the member it was found as.
    game.wrongNameList = {Finding(entries[2], "b.rom"), Finding(entries[3], "c.rom")};
    Result(fixer.FixWrongNamedRoms(game, game.wrongNameList));
    EXPECT_TRUE(game.wrongNameList[0].fixed && game.wrongNameList[1].fixed);
    game.unneededList = {Item(entries[5])};
    Result(fixer.RemoveUnneeded(game, game.unneededList));
    EXPECT_TRUE(game.unneededList[0].removed);

    std::vector<std::pair<std::string, std::string>> left;
    for (const ZipEntry& entry : List(zipPath)) {
        ASSERT_TRUE(ExtractZipEntry(entry, temp / "out", dialogs));
        left.emplace_back(entry.storedName, ReadFile(temp / "out"));
    }
    EXPECT_EQ(left,
              (std::vector<std::pair<std::string, std::string>>{{"A.BIN", "rom a"},
                                                                {"A.BIN", "another rom's data"},
                                                                {"b.rom", "data of b"},
                                                                {"c.rom", "data of c"},
                                                                {"junk.txt", "one"}}));
    EXPECT_EQ(Backups(), (Tree{{"abc/", ""}, {"abc/junk.txt", "two"}}));
}

}  // namespace
}  // namespace vextral::test
