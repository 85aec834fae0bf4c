#pragma once
// The scan state owned by the main window (or the command line): path lists and selection,
// the set checks, result lines and log, statistics and batch files.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/DatabaseCounts.h"
#include "database/GameDatabase.h"
#include "fixer/Fixer.h"
#include "platform/FolderCache.h"
#include "scanner/ScanCounters.h"
#include "ui/ConsentState.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"
#include "ui/ResultSink.h"
#include "ui/ScanOptions.h"

namespace vextral {

// The texts of the four fields of the main window (entries separated by ';').
struct PathFields {
    std::string misc;
    std::string rom;
    std::string sample;
    std::string select;
};

struct SplitFlags {
    bool appendSeparator = false;
    bool clear = false;
    bool existingFoldersOnly = false;
    bool canonicalForm = false;  // the canonical absolute path (where a short form is asked)
};
inline constexpr SplitFlags kSplitPaths{true, true, true, true};
inline constexpr SplitFlags kAppendPaths{true, false, true, true};
inline constexpr SplitFlags kSplitSelection{false, true, false, false};

class Scanner {
public:
    Scanner(Dialogs& dialogs, Progress& progress, ResultSink& results, ZipLibrary& zipLibrary);
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // ---- What the owner sets before an action ----
    ScanOptions options;
    bool pathWarning = true;    // the PathWarning program flag
    std::string programFolder;  // ends with the separator
    DatabaseCounts databaseCounts;
    // Called by PrepareScan once the lists are split (the window updates its buttons).
    std::function<void()> onListsReady;

    // ---- Set discovery ----
    std::vector<std::string> romList, sampleList, miscList, chosenList;
    std::uint32_t romCount = 0, sampleCount = 0, miscCount = 0, chosenCount = 0;
    std::vector<std::string> romFolders, sampleFolders, miscFolders;

    static void SplitList(std::string_view text, std::vector<std::string>& list, SplitFlags flags);
    // The [directory] section of mameFolder + "mame.cfg" into romList, sampleList, miscList.
    void ReadMameConfigPaths(const std::string& mameFolder);
    // Splits the fields, selects games, warns about folders without sets. False when the
    // user cancelled the last path warning.
    [[nodiscard]] bool PrepareScan(GameDatabase& database, const PathFields& fields);
    void SelectGames(GameDatabase& database);
    // Is the set present at location (folder text + set name) as a folder or a zip.
    bool SetExists(const std::string& location, GameRecord& game);
    // Is the file (set location + separator + name) present loose or in the set's zip.
    bool FileExistsInSet(const std::string& filePath, bool verify, std::uint32_t crc,
                         std::uint32_t size);
    bool PassesNeoGeoFilter(const GameRecord& game) const;

    // ---- Set checks ----
    bool fastScanAvailable = false;
    bool neoGeoBiosFound = false;
    bool neoGeoBiosFoundAll = false;
    std::vector<std::string> neededFiles;
    ConsentState consent;

    // Clears the per-scan fields of every game; fullScan also sets needsRescan.
    static void ResetBeforeScan(GameDatabase& database, bool fullScan);
    // True when every game was visited, false when stopped.
    bool ScanGames(GameDatabase& database);
    void FindNeoGeoBios();
    void CheckSetName(GameRecord& game, const std::string& location);
    void CheckRomSet(GameRecord& game, const std::string& location, bool isParentLocation,
                     GameDatabase& database);
    void CheckWrongNames(GameRecord& game, const std::string& location, bool zipRead,
                         const std::vector<ZipEntry>& members, const GameDatabase& database);
    void CheckSampleSet(GameRecord& game, const std::string& location);
    void CheckUnneededInPath(const std::string& folder, GameRecord& collector,
                             const GameDatabase& database, bool isRomFolder);
    void CheckUnneededInRomSet(const std::string& romFolder, const std::string& name,
                               GameRecord& game, const GameDatabase& database);
    void CheckUnneededInSampleSet(const std::string& sampleFolder, const std::string& name,
                                  GameRecord& game);
    bool IsRomFileNeeded(const GameRecord& game, std::string_view fileName,
                         const GameDatabase& database);
    bool IsSampleFileNeeded(const GameRecord& game, std::string_view fileName);
    void DropExcludedFolders(GameRecord& game);

    // ---- Result lines and log ----
    ScanCounters counters;
    std::string logText;
    std::string statisticsText;

    void AddResultLine(const std::string& text, bool child, int image);
    // True when the game has problems (its lines were added).
    bool BuildResultLines(GameRecord& game);
    // One line per unneeded entry of the game (image 11), counted; child false for the
    // entries that belong to no set.
    void AddUnneededLines(GameRecord& game, bool child);
    // The "S&ave Logfile" action: statistics question, save chooser, write.
    void SaveLogFile();
    // Writes logText (CR LF text as kept), and the statistics block when asked.
    [[nodiscard]] bool WriteLogFile(const std::string& path, bool withStatistics) const;

    // ---- Statistics ----
    // Builds both texts, stores statisticsText and shows the "Scanning Results" box.
    void ShowStatistics();

    // ---- Batch files ----
    void RunBatchFile(const GameRecord& game);

    // ---- Shared services ----
    Dialogs& dialogs() { return dialogs_; }
    Progress& progress() { return progress_; }
    ZipLibrary& zipLibrary() { return zipLibrary_; }
    FolderCache& folders() { return folders_; }
    const ZipReader& zipReader() const { return zipReader_; }
    Fixer& fixer() { return fixer_; }

private:
    Dialogs& dialogs_;
    Progress& progress_;
    ResultSink& results_;
    ZipLibrary& zipLibrary_;
    ZipReader zipReader_;
    FolderCache folders_;
    Fixer fixer_;
    bool hasTopLine_ = false;  // a top-level line exists for child lines

    // Private helpers of the set checks (SetChecks.cpp) go below this line.
};

}  // namespace vextral
