#include "scanner/GameVerdict.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vextral {
namespace {

using K = FindingKind;

// A game whose set, one ROM and one sample were found as listed.
GameRecord CleanGame() {
    GameRecord game;
    game.name = "pacman";
    RomRecord rom;
    rom.name = "a.rom";
    rom.crc = 0x1234;
    game.roms = {rom};
    SampleRecord sample;
    sample.name = "s1";
    game.samples = {sample};
    return game;
}

GameFindings CleanFindings() {
    GameFindings found;
    found.setFound = found.setNameOk = true;
    RomFinding rom;
    rom.found = rom.lengthOk = rom.nameCaseOk = rom.crcOk = rom.crcKnown = true;
    found.roms = {rom};
    SampleFinding sample;
    sample.found = sample.nameCaseOk = true;
    found.samples = {sample};
    return found;
}

struct Row {
    const char* what;
    std::function<void(GameFindings&, ScanOptions&)> setUp;  // the game lists what it finds
    std::vector<FindingLine> lines;
    bool missingGame = false;
};

TEST(GameVerdictTest, FindingsBecomeLinesOnlyWhereTheirOptionsAreOn) {
    const std::vector<Row> rows{
        {"a clean game is OK", [](GameFindings&, ScanOptions&) {}, {}},
        {"a missing set with its files missing",
         [](GameFindings& g, ScanOptions&) {
             g.setFound = g.roms[0].found = g.samples[0].found = false;
         },
         {{K::MissingGame, 0, FixMark::None, kImageMissingGame},
          {K::MissingRom, 0, FixMark::None, kImageMissingRom},
          {K::MissingSample, 0, FixMark::None, kImageMissingSample}},
         true},
        {"missing is nothing with the missing checks off",
         [](GameFindings& g, ScanOptions& o) {
             g.setFound = g.roms[0].found = false;
             o.Missing = false;
         },
         {}},
        {"a game listing nothing needs no set",
         [](GameFindings& g, ScanOptions&) {
             g.setFound = false;
             g.roms.clear();
             g.samples.clear();
         },
         {}},
        {"wrong case of set, ROM and sample with the spelling fix on",
         [](GameFindings& g, ScanOptions& o) {
             o.Spelling = o.FixSpelling = true;
             g.setNameOk = g.roms[0].nameCaseOk = g.samples[0].nameCaseOk = false;
             g.roms[0].caseFixed = true;
         },
         {{K::SetCase, 0, FixMark::NotFixed, kImageSetCase},
          {K::RomCase, 0, FixMark::Fixed, kImageRomCase},
          {K::SampleCase, 0, FixMark::NotFixed, kImageSampleCase}}},
        {"wrong case is nothing with spelling off",
         [](GameFindings& g, ScanOptions&) { g.setNameOk = g.roms[0].nameCaseOk = false; },
         {}},
        {"wrong name, length and checksum in that order",
         [](GameFindings& g, ScanOptions& o) {
             o.FixLength = true;
             g.wrongNameList.push_back({});
             g.roms[0].lengthOk = g.roms[0].crcOk = false;
         },
         {{K::WrongName, 0, FixMark::None, kImageWrongName},
          {K::WrongLength, 0, FixMark::NotFixed, kImageWrongLength},
          {K::WrongChecksum, 0, FixMark::None, kImageWrongChecksum}}},
        {"an encrypted member is a wrong checksum whatever the checksum options",
         [](GameFindings& g, ScanOptions& o) {
             g.roms[0].encryptedMember = true;
             o.Checksum = false;
         },
         {{K::EncryptedMember, 0, FixMark::None, kImageWrongChecksum}}},
        {"an unknown checksum is a finding only when available checksums are asked for",
         [](GameFindings& g, ScanOptions& o) {
             g.roms[0].crcKnown = g.roms[0].crcOk = false;
             o.AvailChecksum = true;
         },
         {{K::UnavailableChecksum, 0, FixMark::None, kImageUnavailableChecksum}}},
        {"unneeded entries come last, each with its own fix mark",
         [](GameFindings& g, ScanOptions& o) {
             o.FixUnneeded = true;
             g.unneededList.resize(2);
             g.unneededList[1].removed = true;
             g.roms[0].found = false;
         },
         {{K::MissingRom, 0, FixMark::None, kImageMissingRom},
          {K::Unneeded, 0, FixMark::NotFixed, kImageUnneeded},
          {K::Unneeded, 1, FixMark::Fixed, kImageUnneeded}}},
        {"nothing of the ROMs with the ROM check off",
         [](GameFindings& g, ScanOptions& o) {
             o.Roms = false;
             g.roms[0].found = false;
             g.wrongNameList.push_back({});
         },
         {}},
    };
    for (const Row& row : rows) {
        GameRecord game = CleanGame();
        GameFindings found = CleanFindings();
        ScanOptions options;
        row.setUp(found, options);
        game.roms.resize(found.roms.size());
        game.samples.resize(found.samples.size());
        const GameVerdict verdict = ClassifyGame(game, found, options);
        EXPECT_EQ(verdict.lines, row.lines) << row.what;
        EXPECT_EQ(verdict.Ok(), row.lines.empty()) << row.what;
        EXPECT_EQ(verdict.GameLineImage(), row.missingGame ? kImageMissingGameLine : kImageGameLine)
            << row.what;
    }
}

}  // namespace
}  // namespace vextral
