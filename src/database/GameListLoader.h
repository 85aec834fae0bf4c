#pragma once
// Obtaining the game list: from mame -listinfo, or from a list file the user picks.

#include <string>

#include "database/GameDatabase.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

struct GameListSource {
    std::string mameFolder;     // holds the mame executable; ends with the separator
    std::string programFolder;  // receives the temporary list file "_info.vxt"
    bool UseMameExe = true;
    bool ListInfoWarnings = true;
};

// Empties the database and fills it; true when at least one game was read (then linked).
// On failure shows "Can't receive data from the mame executable !..." and returns false.
// The caller opens the progress window ("Receiving data from M.A.M.E.") and closes it.
[[nodiscard]] bool LoadGameDatabase(GameDatabase& database, const GameListSource& source,
                                    Progress& progress, Dialogs& dialogs);

// Parses and links one list file without any question or failure message; true when at
// least one game was read.
[[nodiscard]] bool LoadListFile(GameDatabase& database, const std::string& path, Progress& progress,
                                Dialogs& dialogs, bool listInfoWarnings);

// Runs mameFolder + "mame" with the argument, its output into outputPath; true when the
// process was started and waited for. On failure the output file is deleted.
[[nodiscard]] bool RunMameListInfo(const std::string& argument, const std::string& outputPath,
                                   const std::string& mameFolder);

inline constexpr const char* kMameExecutable = "mame";
inline constexpr const char* kListInfoFileName = "_info.vxt";

}  // namespace vextral
