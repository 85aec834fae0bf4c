#pragma once
// Finding what to scan: the path fields split into folder lists, the paths MAME's own
// configuration gives, and the selection of games.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "database/GameDatabase.h"
#include "platform/FolderCache.h"
#include "scanner/GameSelection.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"
#include "ui/Dialogs.h"
#include "ui/ScanOptions.h"

namespace vextral {

struct SplitFlags {
    bool appendSeparator = false;
    bool clear = false;
    bool existingFoldersOnly = false;
    bool canonicalForm = false;  // the canonical absolute path (where a short form is asked)
};
inline constexpr SplitFlags kSplitPaths{true, true, true, true};
inline constexpr SplitFlags kAppendPaths{true, false, true, true};
inline constexpr SplitFlags kSplitSelection{false, true, false, false};

// With existingFoldersOnly, a relative piece counts from base (the MAME folder) when base is
// a folder, else from the current folder.
void SplitList(std::string_view text, std::vector<std::string>& list, SplitFlags flags,
               const std::string& base = {});

// The [directory] section of mameFolder + "mame.cfg" into the rom, sample and misc lists,
// then the rompath and samplepath of the first mame.ini found in mameFolder or
// mameIniFolders.
void ReadMameConfigPaths(const std::string& mameFolder,
                         const std::vector<std::string>& mameIniFolders, ScanPaths& paths);

// Marks the games the chosen list names (with their families when sets are merged); every
// game when it names none. The selection is sized to the list; needsRescan is kept.
void SelectGames(const GameDatabase& database, GameSelection& selection, const ScanPaths& paths,
                 const ScanOptions& options, FolderCache& folders);

// Splits the fields, selects games, warns about folders without sets. False when the user
// cancelled the last path warning. onListsReady runs once the lists are split.
[[nodiscard]] bool PrepareScan(const GameDatabase& database, GameSelection& selection,
                               const PathFields& fields, const ScanConfig& config, ScanPaths& paths,
                               FolderCache& folders, Dialogs& dialogs,
                               const std::function<void()>& onListsReady);

bool PassesNeoGeoFilter(const GameRecord& game, const ScanOptions& options);

// The name up to its last '.'; a name without '.' stays whole.
std::string_view NameWithoutExtension(std::string_view name);

}  // namespace vextral
