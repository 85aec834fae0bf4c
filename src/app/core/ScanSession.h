#pragma once
// What the main window and the command line share: the opening steps, the scan actions
// and the closing steps over one game database, the settings, the scanner and the fast-scan
// snapshot. The window keeps its controls in step with fields and settings; the command
// line sets them from its arguments.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/FastScanSnapshot.h"
#include "archive/ZipLibrary.h"
#include "database/DatabaseCounts.h"
#include "database/GameDatabase.h"
#include "fixer/JournalPlan.h"
#include "fixer/JournalWriter.h"
#include "platform/FolderLockSet.h"
#include "rebuild/Merger.h"
#include "rebuild/Rebuilder.h"
#include "scanner/Scanner.h"
#include "ui/AppSettings.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"
#include "ui/ResultSink.h"

namespace vextral {

// Refused: another process holds a folder the scan needs; nothing was changed.
enum class ScanOutcome { Cancelled, Completed, Stopped, Refused };

struct ButtonStates {
    bool scan = false;
    bool fastScan = false;
    bool saveLogfile = false;
    bool saveFixdat = false;
    bool rebuild = true;
    bool merge = false;
    bool unmerge = false;
};

// How the runs change the collection: each recorded in a journal in the program folder,
// only planned (a dry run: nothing changes), or made directly.
enum class JournalMode { Record, Plan, Off };

class ScanSession {
  public:
    ScanSession(AppSettings& settings, GameDatabase& database, Dialogs& dialogs, Progress& progress,
                ResultSink& results, ZipLibrary& zipLibrary);

    AppSettings& settings;
    GameDatabase& database;
    GameSelection selection;  // beside database, one entry per game
    PathFields fields;        // the texts of the Misc, Rom, Sample and Select Games fields
    FastScanSnapshot snapshot;
    // The window shows the statistics in a box; the command line prints them instead.
    bool showStatisticsBox = true;

    JournalMode journalMode = JournalMode::Record;
    std::string journalCommand = "window";  // the command the journal's header names

    // The journal (or plan) of one run that may change files, in force while it lives:
    // the scan's fixes, and the rebuilders and mergers made meanwhile, go through it.
    class JournalScope {
      public:
        JournalScope(ScanSession& session, const std::string& kind);
        ~JournalScope();
        JournalScope(const JournalScope&) = delete;
        JournalScope& operator=(const JournalScope&) = delete;

      private:
        ScanSession& session_;
    };
    // The last run's plan (Plan mode) and journal (Record mode); null before one.
    const JournalPlan* lastPlan() const { return plan_.get(); }
    const JournalWriter* lastJournal() const { return writer_.get(); }
    // The journal of the run in progress; null outside one.
    ChangeJournal* journal() { return journal_; }

    Scanner& scanner() { return scanner_; }
    // A rebuilder and a merger over this session's settings, folder lists and services.
    Rebuilder NewRebuilder();
    Merger NewMerger();
    const DatabaseCounts& counts() const { return scanner_.config.databaseCounts; }

    // Opening: validate and count, the mame.cfg and stored paths into the fields,
    // PrepareScan, the snapshot, fastscan.dat. fillFieldsFromSettings false keeps fields
    // that the caller set already (the command line's path options).
    void Open(bool fillFieldsFromSettings = true);
    // The rom, sample and misc lists from mame.cfg, mame.ini and the stored paths.
    void FillPathListsFromSettings();
    // "&Scan" and "&Fast Scan", statistics box included.
    ScanOutcome Scan();
    ScanOutcome FastScan();
    // Copies the fields into the settings strings, lowercased (paths) as stored.
    void ReadPathFields();
    // After a field lost focus or a browse: re-split the fields and write the path lists
    // back joined by "; ".
    void PathFieldsChanged();
    // Runs PrepareScan with the current fields and options.
    [[nodiscard]] bool PrepareScan();
    ButtonStates ComputeButtonStates() const;
    // The locks a rebuild or a merge holds from before its first change to its end:
    // exclusive on the program folder and on every folder it may change, shared on the
    // source it only reads. Nothing when another process holds one of them; the message
    // naming that folder has then been shown. (A scan takes its own.)
    [[nodiscard]] std::optional<FolderLockSet> LockForRebuild(const std::string& sourceFolder,
                                                              const std::string& destinationFolder);
    [[nodiscard]] std::optional<FolderLockSet> LockForMerge();
    // Closing: ReadPathFields and write fastscan.dat.
    void Close();

    std::string FastScanFilePath() const;

  private:
    void SyncScannerSettings();
    ScanOutcome RunScan(bool fullScan);
    // A scan that may change files (a fix is on, or a file could come back from the backup
    // folder) locks like any other change; one that only reads shares its folders with
    // other readers.
    std::optional<FolderLockSet> LockForScan();
    std::optional<FolderLockSet> Lock(const std::vector<FolderLockRequest>& requests);

    Scanner scanner_;
    std::unique_ptr<JournalWriter> writer_;
    std::unique_ptr<JournalPlan> plan_;
    ChangeJournal* journal_ = nullptr;  // of the run in progress
};

}  // namespace vextral
