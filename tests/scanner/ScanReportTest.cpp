#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scanner/Scanner.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/RecordingResultSink.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::ResultLine;
using Lines = std::vector<ResultLine>;

RomRecord ListedRom(const std::string& name) {
    RomRecord rom;
    rom.name = name;
    rom.crc = 0x1234;
    rom.complementedCrc = ~rom.crc;
    return rom;
}

RomFinding FoundRom() {
    RomFinding rom;
    rom.found = rom.lengthOk = rom.nameCaseOk = rom.crcOk = rom.crcKnown = true;
    return rom;
}

class ScanReportTest : public ::testing::Test {
  protected:
    ScanReportTest() {
        game.name = "pacman";
        game.description = "Pac-Man";
        found.setFound = found.setNameOk = true;
        game.roms = {ListedRom("a.rom")};
        found.roms = {FoundRom()};
    }

    test::FakeDialogs dialogs;
    test::FakeProgress progress;
    test::RecordingResultSink sink;
    ZipLibrary zipLibrary;
    Scanner scanner{dialogs, progress, sink, zipLibrary};
    ScanReport& report = scanner.report();
    GameRecord game;
    GameFindings found;
};

TEST_F(ScanReportTest, EveryKindOfFindingHasItsTextImageAndCounter) {
    ScanOptions& o = scanner.config.options;
    o.Spelling = o.FixSpelling = o.FixName = o.FixUnneeded = true;
    game.isClone = true;
    game.cloneOf = "puckman";
    found.setNameOk = false;
    found.foundSetName = "PacMan";
    found.wrongNameList.push_back({"b.bin", "b.rom", "/roms/pacman/b.bin", true, false, {}, {}});

    RomRecord& a = game.roms[0];
    RomFinding& aFound = found.roms[0];
    aFound.lengthOk = aFound.nameCaseOk = aFound.crcOk = false;
    aFound.foundLength = 100;
    a.size = 4096;
    aFound.foundName = "A.ROM";
    aFound.foundCrc = 0x1234abcd;
    a.crc = 0xdeadbeef;
    a.complementedCrc = 0x21524110;
    RomRecord missing = ListedRom("m.rom");
    missing.size = 2048;
    missing.crc = 0;
    missing.complementedCrc = 0xffffffff;
    game.roms.push_back(missing);
    found.roms.push_back({});

    game.samples = {{"s1"}, {"s2"}};
    found.samples = {{true, false, true, 0, "S1"}, {false, false, false, 0, ""}};
    UnneededEntry file, folder;
    file.path = "/roms/pacman/readme.txt";
    folder.path = "/roms/pacman/extra";
    folder.isFolder = folder.removed = true;
    found.unneededList = {file, folder};

    EXPECT_TRUE(report.AddGameLines(game, found, scanner.config.options));
    const Lines expected{
        {"Pac-Man [folder: pacman - parent: puckman]", false, 6},
        {"wrong spelling: pacman [wrong: PacMan] [right: pacman] [not fixed]", true, 10},
        {"wrong name: /roms/pacman/b.bin [wrong: b.bin] [right: b.rom] [fixed]", true, 12},
        {"wrong length: a.rom [wrong: 100] [right: 4096]", true, 3},
        {"wrong spelling: a.rom [wrong: A.ROM] [right: a.rom] [not fixed]", true, 8},
        {"wrong checksum: a.rom [wrong: 1234abcd] [right: deadbeef (21524110)]", true, 0},
        {"missing rom: m.rom [length: 2048] [chksum: 0 (ffffffff)]", true, 1},
        {"wrong spelling: s1[wrong: S1] [right: s1] [fixed]", true, 9},
        {"missing sample: s2", true, 4},
        {"unneeded file: /roms/pacman/readme.txt [not fixed]", true, 11},
        {"unneeded folder: /roms/pacman/extra [fixed]", true, 11},
    };
    EXPECT_EQ(sink.lines, expected);

    const ScanCounters& c = report.counters();
    EXPECT_EQ(c.wrongCaseGames, 1u);
    EXPECT_EQ(c.wrongCaseGamesFixed, 0u);
    EXPECT_EQ(c.wrongNames, 1u);
    EXPECT_EQ(c.wrongNamesFixed, 1u);
    EXPECT_EQ(c.wrongLengthRoms, 1u);
    EXPECT_EQ(c.wrongLengthRomsFixed, 0u);
    EXPECT_EQ(c.wrongCaseRoms, 1u);
    EXPECT_EQ(c.wrongChecksums, 1u);
    EXPECT_EQ(c.missingArcadeRoms, 1u);
    EXPECT_EQ(c.missingNeoGeoRoms, 0u);
    EXPECT_EQ(c.wrongCaseSamples, 1u);
    EXPECT_EQ(c.wrongCaseSamplesFixed, 1u);
    EXPECT_EQ(c.missingSamples, 1u);
    EXPECT_EQ(c.unneededEntries, 2u);
    EXPECT_EQ(c.unneededEntriesFixed, 1u);
}

TEST_F(ScanReportTest, MissingSetOfANeoGeoGame) {
    game.isNeoGeo = true;
    found.setFound = false;
    found.roms[0].found = false;
    EXPECT_TRUE(report.AddGameLines(game, found, scanner.config.options));
    const Lines expected{{"Pac-Man [folder: pacman]", false, 5},
                         {"missing game: Pac-Man", true, 7},
                         {"missing rom: a.rom [length: 0] [chksum: 1234 (ffffedcb)]", true, 1}};
    EXPECT_EQ(sink.lines, expected);
    EXPECT_EQ(report.counters().missingNeoGeoGames, 1u);
    EXPECT_EQ(report.counters().missingNeoGeoRoms, 1u);
    EXPECT_EQ(report.logText(),
              "\r\nPac-Man [folder: pacman]\r\nmissing game: Pac-Man\r\n"
              "missing rom: a.rom [length: 0] [chksum: 1234 (ffffedcb)]\r\n");

    // With Missing off nothing of this is a problem.
    sink.lines.clear();
    scanner.config.options.Missing = false;
    EXPECT_FALSE(report.AddGameLines(game, found, scanner.config.options));
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(ScanReportTest, OnlyUnneededFilesMakeAPlainGameLine) {
    found.unneededList.resize(1);
    found.unneededList[0].path = "/roms/pacman/x";
    EXPECT_TRUE(report.AddGameLines(game, found, scanner.config.options));
    EXPECT_EQ(sink.lines, (Lines{{"Pac-Man [folder: pacman]", false, 6},
                                 {"unneeded file: /roms/pacman/x", true, 11}}));

    sink.lines.clear();
    scanner.config.options.Unneeded = false;
    EXPECT_FALSE(report.AddGameLines(game, found, scanner.config.options));
}

TEST_F(ScanReportTest, RomWithoutChecksumIsAProblemOnlyForAvailChecksum) {
    RomFinding& rom = found.roms[0];
    rom.crcKnown = rom.crcOk = false;
    EXPECT_FALSE(
        report.AddGameLines(game, found, scanner.config.options));  // Checksum on by default

    scanner.config.options.AvailChecksum = true;
    EXPECT_TRUE(report.AddGameLines(game, found, scanner.config.options));
    EXPECT_EQ(sink.lines.back(), (ResultLine{"unavailable checksum: a.rom", true, 2}));
    EXPECT_EQ(report.counters().unavailableChecksums, 1u);
    EXPECT_EQ(report.counters().wrongChecksums, 0u);
}

TEST_F(ScanReportTest, CollectedUnneededEntriesAreTopLevelLines) {
    GameRecord unknown;
    unknown.description = "<unknown>";
    GameFindings collected;
    collected.unneededList.resize(2);
    collected.unneededList[0].path = "/roms/a.txt";
    collected.unneededList[1].path = "/roms/old";
    collected.unneededList[1].isFolder = true;
    report.AddUnneededLines(unknown, collected, scanner.config.options, false);
    EXPECT_EQ(sink.lines, (Lines{{"unneeded file: /roms/a.txt", false, 11},
                                 {"unneeded folder: /roms/old", false, 11}}));
    EXPECT_EQ(report.logText(),
              "\r\nunneeded file: /roms/a.txt\r\n\r\nunneeded folder: /roms/old\r\n");
    EXPECT_EQ(report.counters().unneededEntries, 2u);
}

class LogFileTest : public ScanReportTest {
  protected:
    LogFileTest() {
        report.AddResultLine("Pac-Man [folder: pacman]", false, kImageMissingGameLine);
        report.AddResultLine("missing game: Pac-Man", true, kImageMissingGame);
        report.SetStatisticsText("Missing Games:          1 of 1\r\nrest");
    }
    test::TempFolder temp;
};

TEST_F(LogFileTest, WritesTheLogAloneOrWithStatistics) {
    const std::string path = temp / "log.txt";
    test::WriteFile(path, "an older, longer log that must disappear completely");
    ASSERT_TRUE(report.WriteLogFile(path, false));
    EXPECT_EQ(test::ReadFile(path), report.logText());

    ASSERT_TRUE(report.WriteLogFile(path, true));
    EXPECT_EQ(test::ReadFile(path), report.logText() +
                                        "\r\n\r\n\r\nStatistics:\r\n===========\r\n\r\n"
                                        "Missing Games:          1 of 1\r\nrest\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1);

    EXPECT_FALSE(report.WriteLogFile(temp / "no/such/folder/log.txt", false));
}

TEST_F(LogFileTest, SaveAsksForStatisticsThenForTheFile) {
    const std::string path = temp / "saved.txt";
    dialogs.messageAnswers = {MessageResult::No, MessageResult::Yes};
    dialogs.saveFileAnswers = {path, std::nullopt};
    scanner.SaveLogFile();
    EXPECT_EQ(test::ReadFile(path), report.logText());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Do you want to add the statistics to the logfile ?");
    EXPECT_EQ(dialogs.messages[0].caption, "Save Statistics ?");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs.saveFilters, std::vector<std::string>{"Vextral Logfile (*.txt)|*.txt||"});

    // Cancelled chooser: the earlier file stays as it was.
    scanner.SaveLogFile();
    EXPECT_EQ(test::ReadFile(path), report.logText());

    // A file that cannot be written is named, with the reason.
    const std::string unwritable = temp / "no/such/folder/log.txt";
    dialogs.messageAnswers = {MessageResult::No};
    dialogs.saveFileAnswers = {unwritable};
    scanner.SaveLogFile();
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[3].text,
              "Can't write the logfile '" + unwritable + "':\nNo such file or directory");
    EXPECT_EQ(dialogs.messages[3].caption, "Save Logfile");
    EXPECT_EQ(dialogs.messages[3].icon, MessageIcon::Exclamation);
}

}  // namespace
}  // namespace vextral
