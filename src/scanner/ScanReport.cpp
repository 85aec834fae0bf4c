#include <charconv>
#include <ctime>

#include "scanner/ScanReport.h"

#include "platform/FileSystem.h"

namespace vextral {

namespace {

std::string Hex(std::uint32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    return std::string(buffer, result.ptr);
}

std::string Decimal(std::uint64_t value) {
    return std::to_string(value);
}

// The fix suffix of a line; counts the fixed entries.
std::string FixSuffix(FixMark mark, std::uint32_t& fixedCounter) {
    switch (mark) {
        case FixMark::None:
            return {};
        case FixMark::NotFixed:
            return " [not fixed]";
        case FixMark::Fixed:
            break;
    }
    ++fixedCounter;
    return " [fixed]";
}

}  // namespace

void ScanReport::Clear() {
    results_.ClearResults();
    counters_ = {};
    logText_.clear();
    missingFiles_.clear();
}

void ScanReport::AddResultLine(const std::string& text, bool child, int image) {
    results_.AddResultLine(text, child, image);
    if (!child)
        logText_ += "\r\n";
    logText_ += text;
    logText_ += "\r\n";
}

void ScanReport::AddUnneededLines(const GameRecord& game, const GameFindings& findings,
                                  const ScanOptions& options, bool child) {
    for (std::size_t i = 0; i < findings.unneededList.size(); ++i)
        AddFindingLine(game, findings, UnneededLine(findings.unneededList[i], i, options), child);
}

void ScanReport::AddFindingLine(const GameRecord& game, const GameFindings& findings,
                                const FindingLine& line, bool child) {
    ScanCounters& c = counters_;
    std::string text;
    switch (line.kind) {
        case FindingKind::SetCase:
            text = "wrong spelling: " + game.name + " [wrong: " + findings.foundSetName +
                   "] [right: " + game.name + "]" + FixSuffix(line.fix, c.wrongCaseGamesFixed);
            ++c.wrongCaseGames;
            break;
        case FindingKind::MissingGame:
            text = "missing game: " + game.description;
            ++(game.isNeoGeo ? c.missingNeoGeoGames : c.missingArcadeGames);
            break;
        case FindingKind::WrongName: {
            const WrongNameEntry& entry = findings.wrongNameList[line.index];
            text = "wrong name: " + entry.path + " [wrong: " + entry.wrongName +
                   "] [right: " + entry.rightName + "]" + FixSuffix(line.fix, c.wrongNamesFixed);
            ++c.wrongNames;
            break;
        }
        case FindingKind::WrongLength: {
            const RomRecord& rom = game.roms[line.index];
            text = "wrong length: " + rom.name +
                   " [wrong: " + Decimal(findings.roms[line.index].foundLength) +
                   "] [right: " + Decimal(rom.size) + "]" +
                   FixSuffix(line.fix, c.wrongLengthRomsFixed);
            ++c.wrongLengthRoms;
            break;
        }
        case FindingKind::RomCase: {
            const RomRecord& rom = game.roms[line.index];
            text = "wrong spelling: " + rom.name +
                   " [wrong: " + findings.roms[line.index].foundName + "] [right: " + rom.name +
                   "]" + FixSuffix(line.fix, c.wrongCaseRomsFixed);
            ++c.wrongCaseRoms;
            break;
        }
        case FindingKind::WrongChecksum: {
            const RomRecord& rom = game.roms[line.index];
            text = "wrong checksum: " + rom.name +
                   " [wrong: " + Hex(findings.roms[line.index].foundCrc) +
                   "] [right: " + Hex(rom.crc) + " (" + Hex(rom.complementedCrc) + ")]";
            ++c.wrongChecksums;
            break;
        }
        case FindingKind::EncryptedMember:
            text = "wrong checksum: " + game.roms[line.index].name + " [encrypted member]";
            ++c.wrongChecksums;
            break;
        case FindingKind::UnavailableChecksum:
            text = "unavailable checksum: " + game.roms[line.index].name;
            ++c.unavailableChecksums;
            break;
        case FindingKind::MissingRom: {
            const RomRecord& rom = game.roms[line.index];
            MissingEntry(game).roms.push_back({rom.name, rom.size, rom.crc, rom.complementedCrc});
            text = "missing rom: " + rom.name + " [length: " + Decimal(rom.size) +
                   "] [chksum: " + Hex(rom.crc) + " (" + Hex(rom.complementedCrc) + ")]";
            ++(game.isNeoGeo ? c.missingNeoGeoRoms : c.missingArcadeRoms);
            break;
        }
        case FindingKind::SampleCase: {
            const SampleRecord& sample = game.samples[line.index];
            // No blank before "[wrong: " on this line.
            text = "wrong spelling: " + sample.name +
                   "[wrong: " + findings.samples[line.index].foundName +
                   "] [right: " + sample.name + "]" + FixSuffix(line.fix, c.wrongCaseSamplesFixed);
            ++c.wrongCaseSamples;
            break;
        }
        case FindingKind::MissingSample: {
            const SampleRecord& sample = game.samples[line.index];
            MissingEntry(game).samples.push_back(sample.name);
            text = "missing sample: " + sample.name;
            ++c.missingSamples;
            break;
        }
        case FindingKind::Unneeded: {
            const UnneededEntry& entry = findings.unneededList[line.index];
            text = std::string("unneeded ") + (entry.isFolder ? "folder: " : "file: ") +
                   entry.path + FixSuffix(line.fix, c.unneededEntriesFixed);
            ++c.unneededEntries;
            break;
        }
    }
    AddResultLine(text, child, line.image);
}

bool ScanReport::AddGameLines(const GameRecord& game, const GameFindings& findings,
                              const ScanOptions& options) {
    const GameVerdict verdict = ClassifyGame(game, findings, options);
    if (verdict.Ok())
        return false;

    std::string gameLine = game.description + " [folder: " + game.name;
    gameLine += game.isClone ? " - parent: " + game.cloneOf + "]" : std::string("]");
    AddResultLine(gameLine, false, verdict.GameLineImage());
    for (const FindingLine& line : verdict.lines)
        AddFindingLine(game, findings, line, /*child=*/true);
    results_.Refresh();
    return true;
}

FixdatGame& ScanReport::MissingEntry(const GameRecord& game) {
    if (missingFiles_.empty() || missingFiles_.back().name != game.name)
        missingFiles_.push_back({game.name, game.description, game.cloneOf, {}, {}});
    return missingFiles_.back();
}

bool ScanReport::WriteFixdatFile(const std::string& path, std::string* failure) const {
    return WriteFileReplacing(path, FixdatText(missingFiles_, std::time(nullptr)), failure);
}

bool ScanReport::WriteLogFile(const std::string& path, bool withStatistics,
                              std::string* failure) const {
    std::string text = logText_;
    if (withStatistics)
        text += "\r\n\r\n\r\nStatistics:\r\n===========\r\n\r\n" + statisticsText_ + "\r\n";
    // A full disk leaves an earlier log intact.
    return WriteFileReplacing(path, text, failure);
}

}  // namespace vextral
