#pragma once
// Everything one scan found, beside the game list: one GameFindings per game, indexed like the
// database, and the configured folders' own entries that belong to no set.

#include <cstddef>
#include <vector>

#include "fixer/GameFindings.h"

namespace vextral {

struct ScanResult {
    ScanResult() = default;
    // A game's ROM and sample findings are sized when the scan visits it.
    explicit ScanResult(std::size_t gameCount) : games(gameCount) {}

    std::vector<GameFindings> games;
    GameFindings folders;  // only its unneededList is used
    // Some game had findings and the scan was not stopped: a fast scan has work.
    bool fastScanAvailable = false;
    // The NeoGeo BIOS set holds its three core ROMs (and, for All, the fourth as well): the
    // NeoGeo games need not hold them.
    bool neoGeoBiosFound = false;
    bool neoGeoBiosFoundAll = false;
};

}  // namespace vextral
