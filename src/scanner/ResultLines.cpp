#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

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

std::string Decimal(std::uint64_t value) {
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
            FixSuffix(options.FixUnneeded, entry.removed, counters.unneededEntriesFixed);
        AddResultLine(text, child, kImageUnneeded);
        ++counters.unneededEntries;
    }
}

bool Scanner::BuildResultLines(GameRecord& game) {
    const ScanOptions& o = options;
    const bool missingOn = o.Missing || o.MissingAdvanced;
    const bool unneededOn = o.Unneeded || o.UnneededAdvanced;

    bool ok = true;
    bool countedMissing = false;
    if (unneededOn)
        ok = game.unneededList.empty();
    if (o.Games) {
        if (!game.setFound) {
            if (missingOn) {
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
                ok = ok && !rom.encryptedMember;
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
        if (!game.setFound && missingOn) {
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
                if (rom.encryptedMember) {
                    child("wrong checksum: " + rom.name + " [encrypted member]",
                          kImageWrongChecksum);
                    ++counters.wrongChecksums;
                } else if (rom.crcKnown) {
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

void Scanner::SaveLogFile() {
    const bool withStatistics =
        dialogs_.ShowMessage("Do you want to add the statistics to the logfile ?",
                             "Save Statistics ?", MessageIcon::Question,
                             MessageButtons::YesNo) == MessageResult::Yes;
    const auto path = dialogs_.ChooseSaveFile("Vextral Logfile (*.txt)|*.txt||", ".txt");
    if (!path || path->empty())
        return;
    // A failure ends the action without a message.
    static_cast<void>(WriteLogFile(*path, withStatistics));
}

bool Scanner::WriteLogFile(const std::string& path, bool withStatistics) const {
    const auto slash = path.rfind(kSeparator);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size())
        return false;
    // Written beside the target and renamed over it when complete, so a full disk leaves an
    // earlier log intact.
    const std::string temporary =
        path.substr(0, nameStart) + "." + path.substr(nameStart) + ".vxt-part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << logText;
        if (withStatistics) {
            out << "\r\n\r\n\r\nStatistics:\r\n===========\r\n"
                << "\r\n"
                << statisticsText << "\r\n";
        }
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vextral
