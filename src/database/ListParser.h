#pragma once
// Reads a -listinfo text into the game database: a counting pass for the progress bar,
// then a building pass.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

struct RomCrcEntry {
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::string name;
};
using RomCrcList = std::vector<RomCrcEntry>;

// Both passes. Appends to database; fills romCrcList. False when the file cannot be opened
// or the user stopped the second pass. With listInfoWarnings the "-listinfo bug:" warnings
// are shown.
[[nodiscard]] bool ParseListFile(const std::string& path, GameDatabase& database,
                                 RomCrcList& romCrcList, Progress& progress, Dialogs& dialogs,
                                 bool listInfoWarnings);

// A name from the list that may become a path component: not empty, not "." or "..", and
// without '/', '\\', ':' or NUL. Other names are dropped at load.
bool IsPlainFileName(std::string_view name);

}  // namespace vextral
