#pragma once
// The program's start-up and shut-down: zip library, settings, the mame and program
// folders, the temporary folder, the game list, the main window, and the write-back.
// Toolkit-independent: the windows come in through Dialogs, Progress and the hooks.

#include <functional>
#include <optional>
#include <string>

#include "app/core/SettingsStore.h"
#include "archive/ZipLibrary.h"
#include "database/GameDatabase.h"
#include "fixer/ProcessScratch.h"
#include "ui/AppSettings.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

struct StartupOptions {
    // Read the game list from this file; mame is then never looked for and the stored
    // mame folder is kept as it is.
    std::optional<std::string> datFile;
    // False where no folder chooser can be shown: instead of opening one, the not-found
    // message is shown and the run ends with ChooserNeeded.
    bool allowChoosers = true;
    // False leaves the stored settings untouched at the end.
    bool writeSettings = true;
    // False reads the list afresh instead of from the cache of an earlier reading.
    bool useListCache = true;
};

enum class StartupResult {
    Completed,        // the list was obtained and the main window ran
    ListNotObtained,  // no game list; settings written back
    Ended,            // a failure exit before the list: settings untouched
    ChooserNeeded,    // a folder chooser would have been needed but is not allowed
};

struct StartupOutcome {
    StartupResult result = StartupResult::Ended;
    bool settingsWritten = false;
    // The suggested exit status: the main window's on Completed, 2 for ChooserNeeded,
    // 1 otherwise.
    int exitCode = 1;
};

struct StartupHooks {
    // Runs the main window over the loaded database until it closes; the settings it
    // leaves are written back. Returns the exit status for a completed run.
    std::function<int(AppSettings&, GameDatabase&)> runMainWindow;
};

inline constexpr const char* kProgramCaption = "Vextral";

class Startup {
  public:
    Startup(SettingsStore& store, Dialogs& dialogs, ZipLibrary& zipLibrary, Progress& listProgress,
            StartupOptions options = {});

    StartupOutcome Run(const StartupHooks& hooks);

    // The settings as loaded and settled (valid after Run).
    const AppSettings& settings() const { return settings_; }
    const GameDatabase& database() const { return database_; }

  private:
    enum class Located { Found, NotFound, ChooserNeeded };

    // The folder holding mame: the stored folder, then $PATH, then the chooser.
    Located LocateMame(const std::string& storedFolder, std::string& folder);
    // The chooser, then a look in the chosen folder (the current folder when cancelled).
    Located ChooseMameFolder(std::string& folder);
    // The list from pickedFile, the list file standing in for mame, or mame.
    bool LoadList(const std::optional<std::string>& pickedFile = std::nullopt);
    // Reads a list file; shows the failure message when it is not a list.
    bool LoadListFromFile(const std::string& path, Progress& progress);
    // After mame gave no list: a list file picked now, remembered for the next starts.
    bool OfferListFile();
    // The list file to read instead of looking for mame: --dat, or the remembered one while
    // UseMameExe is off.
    std::optional<std::string> ListFileInstead() const;
    std::string CacheFolder() const;
    bool PrepareTempFolder();
    // Says where the files found in the temporary folder were kept, if there were any.
    void ReportKeptScratch(unsigned files);
    void ShowMessage(const std::string& text);
    bool AskYesNo(const std::string& question);
    StartupOutcome Finish(bool obtained, bool chooserNeeded, const StartupHooks& hooks);

    SettingsStore& store_;
    Dialogs& dialogs_;
    ZipLibrary& zipLibrary_;
    Progress& listProgress_;
    StartupOptions options_;
    AppSettings settings_;
    GameDatabase database_;
    std::optional<ProcessScratch> scratch_;
};

}  // namespace vextral
