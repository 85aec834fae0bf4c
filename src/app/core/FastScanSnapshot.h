#pragma once

#include <string>

#include "database/GameDatabase.h"
#include "scanner/GameSelection.h"
#include "scanner/Scanner.h"
#include "ui/ScanOptions.h"

namespace vextral {

// The field texts and options of the last full scan, restored by a fast scan.
struct FastScanSnapshot {
    PathFields fields;
    ScanOptions options;
    bool fastScanAvailable = false;
};

// Reads fastscan.dat. Only a file written for the same number of games as the list, every
// length checked against the file, changes anything: then snapshot and every game's
// needsRescan are set (the selection sized to the list) and true is returned. Anything else
// leaves both untouched and returns false.
[[nodiscard]] bool ReadFastScanFile(const std::string& path, FastScanSnapshot& snapshot,
                                    const GameDatabase& database, GameSelection& selection);
// Writes fastscan.dat under a temporary name and renames it into place; one needsRescan flag
// per game of the list (a game the selection does not cover is due).
[[nodiscard]] bool WriteFastScanFile(const std::string& path, const FastScanSnapshot& snapshot,
                                     const GameDatabase& database, const GameSelection& selection);

inline constexpr const char* kFastScanFileName = "fastscan.dat";

}  // namespace vextral
