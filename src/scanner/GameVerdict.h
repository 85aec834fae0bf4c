#pragma once
// What a game's findings amount to under the scan's options: which lines the result list
// shows, in their order, and whether the game is OK. A pure decision; the result lines, the
// log, the counters and the fixdat are rendered from it.

#include <cstddef>
#include <vector>

#include "database/GameRecord.h"
#include "fixer/GameFindings.h"
#include "ui/ScanOptions.h"

namespace vextral {

// The tree's image list.
enum ResultImage : int {
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

enum class FindingKind {
    SetCase,
    MissingGame,
    WrongName,    // index into the findings' wrongNameList
    WrongLength,  // index into roms, as the four below
    RomCase,
    WrongChecksum,
    EncryptedMember,  // a wrong checksum: the member's data cannot be read
    UnavailableChecksum,
    MissingRom,
    SampleCase,  // index into samples, as MissingSample
    MissingSample,
    Unneeded,  // index into unneededList
};

// No suffix while the fix option is off; otherwise "[fixed]" or "[not fixed]".
enum class FixMark { None, Fixed, NotFixed };

struct FindingLine {
    FindingKind kind;
    std::size_t index = 0;
    FixMark fix = FixMark::None;
    ResultImage image = kImageGameLine;

    bool operator==(const FindingLine&) const = default;
};

struct GameVerdict {
    std::vector<FindingLine> lines;  // the game's child lines, in the order shown
    bool missingGame = false;        // the game line gets the missing game's image

    bool Ok() const { return lines.empty(); }
    ResultImage GameLineImage() const {
        return missingGame ? kImageMissingGameLine : kImageGameLine;
    }
};

// found holds a finding for each of the game's ROMs and samples.
GameVerdict ClassifyGame(const GameRecord& game, const GameFindings& found,
                         const ScanOptions& options);

// The line of one unneeded entry (also for the entries that belong to no set).
FindingLine UnneededLine(const UnneededEntry& entry, std::size_t index, const ScanOptions& options);

}  // namespace vextral
