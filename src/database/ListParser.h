#pragma once
// Reads a game list into the game database. The format is told by the content: MAME's
// -listinfo text (a counting pass for the progress bar, then a building pass), MAME's
// -listxml output or an XML datfile; any of them may be gzip-compressed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"
#include "database/ListWarning.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

struct RomCrcEntry {
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::string name;
};
using RomCrcList = std::vector<RomCrcEntry>;

enum class ListFormat { Text, MameXml, Datafile };

// What a parse found besides the games.
struct ListParseReport {
    ListFormat format = ListFormat::Text;
    std::vector<ListWarning> warnings;  // every warning, shown or not
    // Why the file is not a list (an XML syntax error, naming line and column); the
    // database then gained nothing.
    std::string problem;
    bool stopped = false;
};

// Appends to database; fills romCrcList. False when the file cannot be opened, is not a
// list (report->problem says why) or the user stopped the reading. With listInfoWarnings
// the "-listinfo bug:" warnings are shown once the file was read.
[[nodiscard]] bool ParseListFile(const std::string& path, GameDatabase& database,
                                 RomCrcList& romCrcList, Progress& progress, Dialogs& dialogs,
                                 bool listInfoWarnings, ListParseReport* report = nullptr);

// A name from the list that may become a path component: not empty, not "." or "..", and
// without '/', '\\', ':' or NUL. Other names are dropped at load.
bool IsPlainFileName(std::string_view name);

}  // namespace vextral
