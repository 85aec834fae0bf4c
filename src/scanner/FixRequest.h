#pragma once
// A repair a check wants, as a value: the check says what and where, and one place
// (Scanner::ApplyFix) makes it and tells the collection index what changed.

#include <string>
#include <variant>
#include <vector>

#include "archive/ZipEntry.h"
#include "database/GameRecord.h"
#include "fixer/GameFindings.h"

namespace vextral {

// The set itself: the folder setPath or the archive setPath + ".zip".
struct SetSpellingFix {
    std::string setPath;
};
// Every wrong-name finding of the game.
struct WrongNamesFix {};
// One ROM of a set. expectedPath: set path + separator + finding.lookupName.
struct RomSpellingFix {
    std::string expectedPath;
    const RomRecord* rom = nullptr;
    RomFinding* finding = nullptr;
    bool inZip = false;
    std::vector<ZipEntry>* members = nullptr;  // listed again by the fixer after a rewrite
    std::string setPath;
};
struct SampleSpellingFix {
    std::string expectedPath;
    const SampleRecord* sample = nullptr;
    SampleFinding* finding = nullptr;
    bool inZip = false;
    std::vector<ZipEntry>* members = nullptr;
    std::string setPath;
};
// Cuts filePath (or the member finding.zipIndex of members) to the ROM's data.
struct RomResizeFix {
    std::string filePath;
    const RomRecord* rom = nullptr;
    RomFinding* finding = nullptr;
    bool inZip = false;
    std::vector<ZipEntry>* members = nullptr;
};
// Every unneeded entry of the game.
struct UnneededRemoval {};
// A file put back from the backup folder: added to the archive zipPath, or else copied to
// target (replacing a file there).
struct BackupRestore {
    std::string source;
    std::string zipPath;
    std::string target;
};

struct FixRequest {
    std::variant<SetSpellingFix, WrongNamesFix, RomSpellingFix, SampleSpellingFix, RomResizeFix,
                 UnneededRemoval, BackupRestore>
        fix;
    // The file or folder the fix may change, with everything in it; empty: anything.
    std::string changes;
};

}  // namespace vextral
