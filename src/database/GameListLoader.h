#pragma once
// Obtaining the game list: from mame (-listinfo, or -listxml when -listinfo gives no
// games), or from a list file; either may come from the cache of an earlier reading.

#include <string>

#include "database/GameDatabase.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

struct GameListSource {
    std::string mameFolder;     // holds the mame executable; ends with the separator
    std::string programFolder;  // receives the temporary files "_info.vxt" and "_error.vxt"
    bool UseMameExe = true;
    bool ListInfoWarnings = true;
    std::string cacheFolder;  // where parsed lists are kept between runs; empty: nowhere
};

// Empties the database and fills it; true when at least one game was read (then linked).
// On failure shows "Can't receive data from the mame executable !..." with what mame said
// and returns false. The caller opens the progress window ("Receiving data from M.A.M.E.")
// and closes it. pickedFile receives the list file the user chose instead of mame, if one
// was read.
[[nodiscard]] bool LoadGameDatabase(GameDatabase& database, const GameListSource& source,
                                    Progress& progress, Dialogs& dialogs,
                                    std::string* pickedFile = nullptr);

// Reads and links one list file without any question or failure message; true when at
// least one game was read. problem receives why the file is not a list, when known.
[[nodiscard]] bool LoadListFile(GameDatabase& database, const std::string& path, Progress& progress,
                                Dialogs& dialogs, bool listInfoWarnings,
                                const std::string& cacheFolder = {},
                                std::string* problem = nullptr);

// The failure message of a load, with its details (what mame said, why a file is no list).
std::string ListLoadFailure(const std::string& details);

// Runs mameFolder + "mame" with the argument, its output into outputPath and, when given,
// its error output into errorPath; true when the process was started and waited for. On
// failure the output file is deleted.
[[nodiscard]] bool RunMameListInfo(const std::string& argument, const std::string& outputPath,
                                   const std::string& mameFolder,
                                   const std::string& errorPath = {});

inline constexpr const char* kMameExecutable = "mame";
inline constexpr const char* kListInfoFileName = "_info.vxt";
inline constexpr const char* kMameErrorFileName = "_error.vxt";

}  // namespace vextral
