#pragma once

#include "database/DatabaseCounts.h"
#include "database/GameDatabase.h"
#include "database/ListParser.h"
#include "ui/Dialogs.h"

namespace vextral {

// Sorts by description, marks parents, fills otherNames, builds the name index.
void LinkGameDatabase(GameDatabase& database, RomCrcList& romCrcList);

// Checks parent/clone relations, repairs contradictions (warning when listInfoWarnings),
// classifies NeoGeo games and counts. Run once on a freshly loaded database.
void ValidateGameDatabase(GameDatabase& database, bool listInfoWarnings, DatabaseCounts& counts,
                          Dialogs& dialogs);

// A ROM of 131072 bytes whose crc is one of the NeoGeo BIOS values.
bool IsNeoGeoBiosRom(const RomRecord& rom);

}  // namespace vextral
