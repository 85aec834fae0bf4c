#include <charconv>
#include <ctime>

#include "platform/FileSystem.h"
#include "scanner/Scanner.h"

namespace vextral {

namespace {

// The tree's image list.
enum Image : int {
    kImageWrongChecksum = 0,
    kImageMissingRom = 1,
    kImageUnavailableChecksum = 2,
    kImageWrongLength = 3,
    kImageMissingSample = 4,
    kImageMissingGameLine = 5,
    kImageGameLine = 6,
    kImageMissingGame = 7,
    kImageRomCase = 8,
    kImageSampleCase = 9,
    kImageSetCase = 10,
    kImageUnneeded = 11,
    kImageWrongName = 12,
};

std::string Hex(std::uint32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    return std::string(buffer, result.ptr);
}

std::string Decimal(std::uint32_t value) {
    return std::to_string(value);
}

// The fix suffix: nothing while the fix option is off; counts the fixed entries.
std::string FixSuffix(bool fixOption, bool fixed, std::uint32_t& fixedCounter) {
    if (!fixOption)
        return {};
    if (!fixed)
        return " [not fixed]";
    ++fixedCounter;
    return " [fixed]";
}

}  // namespace

void Scanner::AddResultLine(const std::string& text, bool child, int image) {
    results_.AddResultLine(text, child, image);
    if (!child) {
        hasTopLine_ = true;
        logText += "\r\n";
    }
    logText += text;
    logText += "\r\n";
}

void Scanner::AddUnneededLines(GameRecord& game, bool child) {
    for (const UnneededEntry& entry : game.unneededList) {
        const std::string text =
            std::string("unneeded ") + (entry.isFolder ? "folder: " : "file: ") + entry.path +
            FixSuffix(config.options.FixUnneeded, entry.removed, counters.unneededEntriesFixed);
        AddResultLine(text, child, kImageUnneeded);
        ++counters.unneededEntries;
    }
}

bool Scanner::BuildResultLines(GameRecord& game) {
    const ScanOptions& o = config.options;
    const bool missingOn = o.Missing || o.MissingAdvanced;
    const bool unneededOn = o.Unneeded || o.UnneededAdvanced;

    // A game that lists no ROM and no sample (a device, say) needs no set: its absence is
    // no finding, and a set found for it is checked as any other.
    const bool needsSet = !game.roms.empty() || !game.samples.empty();
    const bool missingGame = o.Games && !game.setFound && needsSet && missingOn;

    bool ok = true;
    bool countedMissing = false;
    if (unneededOn)
        ok = game.unneededList.empty();
    if (o.Games) {
        if (!game.setFound) {
            if (missingGame) {
                ok = false;
                countedMissing = true;
            }
        } else if (o.Spelling) {
            ok = ok && game.setNameOk;
        }
    }
    if (o.Roms) {
        if (o.RightName)
            ok = ok && game.wrongNameList.empty();
        for (const RomRecord& rom : game.roms) {
            if (rom.found) {
                if (o.Length)
                    ok = ok && rom.lengthOk;
                if (o.Spelling)
                    ok = ok && rom.nameCaseOk;
                if (!rom.crcKnown) {
                    ok = ok && !o.AvailChecksum;
                } else if (o.Checksum || o.AvailChecksum) {
                    ok = ok && rom.crcOk;
                }
            } else if (missingOn) {
                ok = false;
            }
        }
    }
    if (o.Samples) {
        for (const SampleRecord& sample : game.samples) {
            if (!sample.found) {
                if (missingOn)
                    ok = false;
            } else if (o.Spelling) {
                ok = ok && sample.nameCaseOk;
            }
        }
    }
    if (ok)
        return false;

    std::string gameLine = game.description + " [folder: " + game.name;
    gameLine += game.isClone ? " - parent: " + game.cloneOf + "]" : std::string("]");
    AddResultLine(gameLine, false, countedMissing ? kImageMissingGameLine : kImageGameLine);

    const auto child = [this](const std::string& text, int image) {
        AddResultLine(text, true, image);
    };

    if (o.Games) {
        if (game.setFound && !game.setNameOk && o.Spelling) {
            child("wrong spelling: " + game.name + " [wrong: " + game.foundSetName +
                      "] [right: " + game.name + "]" +
                      FixSuffix(o.FixSpelling, game.setNameFixed, counters.wrongCaseGamesFixed),
                  kImageSetCase);
            ++counters.wrongCaseGames;
        }
        if (missingGame) {
            child("missing game: " + game.description, kImageMissingGame);
            ++(game.isNeoGeo ? counters.missingNeoGeoGames : counters.missingArcadeGames);
        }
    }

    if (o.Roms) {
        if (o.RightName) {
            for (const WrongNameEntry& entry : game.wrongNameList) {
                child("wrong name: " + entry.path + " [wrong: " + entry.wrongName +
                          "] [right: " + entry.rightName + "]" +
                          FixSuffix(o.FixName, entry.fixed, counters.wrongNamesFixed),
                      kImageWrongName);
                ++counters.wrongNames;
            }
        }
        for (const RomRecord& rom : game.roms) {
            if (rom.found) {
                if (!rom.lengthOk && o.Length) {
                    child(
                        "wrong length: " + rom.name + " [wrong: " + Decimal(rom.foundLength) +
                            "] [right: " + Decimal(rom.size) + "]" +
                            FixSuffix(o.FixLength, rom.lengthFixed, counters.wrongLengthRomsFixed),
                        kImageWrongLength);
                    ++counters.wrongLengthRoms;
                }
                if (!rom.nameCaseOk && o.Spelling) {
                    child("wrong spelling: " + rom.name + " [wrong: " + rom.foundName +
                              "] [right: " + rom.name + "]" +
                              FixSuffix(o.FixSpelling, rom.caseFixed, counters.wrongCaseRomsFixed),
                          kImageRomCase);
                    ++counters.wrongCaseRoms;
                }
                if (rom.crcKnown) {
                    if (!rom.crcOk && (o.Checksum || o.AvailChecksum)) {
                        child("wrong checksum: " + rom.name + " [wrong: " + Hex(rom.foundCrc) +
                                  "] [right: " + Hex(rom.crc) + " (" + Hex(rom.complementedCrc) +
                                  ")]",
                              kImageWrongChecksum);
                        ++counters.wrongChecksums;
                    }
                } else if (o.AvailChecksum) {
                    child("unavailable checksum: " + rom.name, kImageUnavailableChecksum);
                    ++counters.unavailableChecksums;
                }
            } else if (missingOn) {
                MissingEntry(game).roms.push_back(
                    {rom.name, rom.size, rom.crc, rom.complementedCrc});
                child("missing rom: " + rom.name + " [length: " + Decimal(rom.size) +
                          "] [chksum: " + Hex(rom.crc) + " (" + Hex(rom.complementedCrc) + ")]",
                      kImageMissingRom);
                ++(game.isNeoGeo ? counters.missingNeoGeoRoms : counters.missingArcadeRoms);
            }
        }
    }

    if (o.Samples) {
        for (const SampleRecord& sample : game.samples) {
            if (sample.found && !sample.nameCaseOk && o.Spelling) {
                // No blank before "[wrong: " on this line.
                child(
                    "wrong spelling: " + sample.name + "[wrong: " + sample.foundName +
                        "] [right: " + sample.name + "]" +
                        FixSuffix(o.FixSpelling, sample.caseFixed, counters.wrongCaseSamplesFixed),
                    kImageSampleCase);
                ++counters.wrongCaseSamples;
            }
            if (!sample.found && missingOn) {
                MissingEntry(game).samples.push_back(sample.name);
                child("missing sample: " + sample.name, kImageMissingSample);
                ++counters.missingSamples;
            }
        }
    }

    if (!game.unneededList.empty() && unneededOn)
        AddUnneededLines(game, true);

    results_.Refresh();
    return true;
}

FixdatGame& Scanner::MissingEntry(const GameRecord& game) {
    if (missingFiles.empty() || missingFiles.back().name != game.name)
        missingFiles.push_back({game.name, game.description, game.cloneOf, {}, {}});
    return missingFiles.back();
}

void Scanner::SaveFixdat() {
    const auto path = dialogs_.ChooseSaveFile("Fixdat (*.dat)|*.dat||", ".dat");
    if (!path || path->empty())
        return;
    std::string failure;
    if (!WriteFixdatFile(*path, &failure)) {
        dialogs_.ShowMessage("Can't write the fixdat '" + *path + "':\n" + failure, "Save Fixdat",
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

bool Scanner::WriteFixdatFile(const std::string& path, std::string* failure) const {
    return WriteFileReplacing(path, FixdatText(missingFiles, std::time(nullptr)), failure);
}

void Scanner::SaveLogFile() {
    const bool withStatistics =
        dialogs_.ShowMessage("Do you want to add the statistics to the logfile ?",
                             "Save Statistics ?", MessageIcon::Question,
                             MessageButtons::YesNo) == MessageResult::Yes;
    const auto path = dialogs_.ChooseSaveFile("Vextral Logfile (*.txt)|*.txt||", ".txt");
    if (!path || path->empty())
        return;
    // A log the user believes saved but is not is a lost report: say so, and why.
    std::string failure;
    if (!WriteLogFile(*path, withStatistics, &failure)) {
        dialogs_.ShowMessage("Can't write the logfile '" + *path + "':\n" + failure, "Save Logfile",
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

bool Scanner::WriteLogFile(const std::string& path, bool withStatistics,
                           std::string* failure) const {
    std::string text = logText;
    if (withStatistics)
        text += "\r\n\r\n\r\nStatistics:\r\n===========\r\n\r\n" + statisticsText + "\r\n";
    // A full disk leaves an earlier log intact.
    return WriteFileReplacing(path, text, failure);
}

}  // namespace vextral
