#pragma once

#include <string>

#include "ui/ScanOptions.h"

namespace vextral {

// The persisted settings. Folder texts end with the separator.
struct AppSettings {
    // Program flags, switched from the main window's menu.
    bool ListInfoWarnings = true;
    bool AskForMameExe = true;
    bool PathWarning = true;
    bool UseMameExe = true;

    ScanOptions options;

    std::string rompaths;       // stored as Rompaths
    std::string samplepaths;    // stored as Samplepaths
    std::string miscpaths;      // stored as Miscpaths
    std::string chosenGames;    // stored as ChosenGames
    std::string mameFolder;     // stored as MameExe
    std::string programFolder;  // stored as VextralExe
    // This process's own folder in the temporary folder, made by start-up; never stored.
    std::string scratchFolder;
    // The list file read instead of running mame while UseMameExe is off; stored as
    // ListFile (absent from older settings: empty).
    std::string listFile;
    // How many runs' journals the program folder keeps; stored as JournalRuns when set.
    unsigned JournalRuns = 20;
};

}  // namespace vextral
