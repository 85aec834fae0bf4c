#pragma once
// The scan state owned by the main window (or the command line): path lists and selection,
// the set checks, result lines and log, statistics and batch files.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/Crc32.h"
#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/DatabaseCounts.h"
#include "database/GameDatabase.h"
#include "fixer/Fixer.h"
#include "platform/FolderCache.h"
#include "platform/Text.h"
#include "scanner/CollectionIndex.h"
#include "scanner/Discovery.h"
#include "scanner/FixRequest.h"
#include "scanner/Fixdat.h"
#include "scanner/GameSelection.h"
#include "scanner/GameVerdict.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanCounters.h"
#include "scanner/ScanPaths.h"
#include "scanner/ScanReport.h"
#include "scanner/ScanResult.h"
#include "ui/ConsentState.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"
#include "ui/ResultSink.h"
#include "ui/ScanOptions.h"

namespace vextral {

class MemberList;

// The size and CRC-32 (FileData) of a file being judged, read only when a decision needs them (a
// loose file is checksummed on demand); nothing when they cannot be read.
using FileDataSource = std::function<std::optional<FileData>()>;

class Scanner {
  public:
    Scanner(Dialogs& dialogs, Progress& progress, ResultSink& results, ZipLibrary& zipLibrary);
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // ---- What the owner sets before an action ----
    ScanConfig config;
    // Called by PrepareScan once the lists are split (the window updates its buttons).
    void SetListsReadyHook(std::function<void()> hook) { onListsReady_ = std::move(hook); }

    // ---- Set discovery (Discovery.h over this scanner's lists and folder listings) ----
    ScanPaths paths;

    void ReadMameConfigPaths(const std::string& mameFolder) {
        vextral::ReadMameConfigPaths(mameFolder, config.mameIniFolders, paths);
    }
    [[nodiscard]] bool PrepareScan(const GameDatabase& database, GameSelection& selection,
                                   const PathFields& fields);
    void SelectGames(const GameDatabase& database, GameSelection& selection) {
        vextral::SelectGames(database, selection, paths, config.options, index_.folders());
    }
    // Is the set present at location (folder text + set name) as a folder or a zip.
    bool SetExists(const std::string& location, GameFindings& findings);
    // Is the file (set location + separator + name) present loose or in the set's zip.
    bool FileExistsInSet(const std::string& filePath, bool verify, std::uint32_t crc,
                         std::uint32_t size);
    bool PassesNeoGeoFilter(const GameRecord& game) const {
        return vextral::PassesNeoGeoFilter(game, config.options);
    }

    // ---- Set checks ----
    // fullScan marks every game for the next scan.
    static void ResetBeforeScan(GameSelection& selection, bool fullScan);
    // Visits the games selected and due, starts a fresh result and clears needsRescan of each
    // game found without problems. True when every game was visited, false when stopped.
    bool ScanGames(const GameDatabase& database, GameSelection& selection);
    // What the last scan found.
    const ScanResult& result() const { return result_; }
    void FindNeoGeoBios();
    void CheckSetName(const GameRecord& game, GameFindings& findings, const std::string& location);
    void CheckRomSet(const GameRecord& game, GameFindings& findings, const std::string& location,
                     bool isParentLocation, const GameDatabase& database);
    void CheckWrongNames(const GameRecord& game, GameFindings& findings,
                         const std::string& location, bool zipRead,
                         const std::vector<ZipEntry>& members, const GameDatabase& database);
    void CheckSampleSet(const GameRecord& game, GameFindings& findings,
                        const std::string& location);
    void CheckUnneededInPath(const std::string& folder, GameFindings& collector,
                             const GameDatabase& database, bool isRomFolder);
    void CheckUnneededInRomSet(const std::string& romFolder, const GameRecord& game,
                               GameFindings& findings, const GameDatabase& database);
    void CheckUnneededInSampleSet(const std::string& sampleFolder, const GameRecord& game,
                                  GameFindings& findings);
    // data tells what the file holds: a file counts as a duplicate of a copy in another set
    // only when both hold the same bytes; without data it is never a duplicate.
    bool IsRomFileNeeded(const GameRecord& game, std::string_view fileName,
                         const GameDatabase& database, const FileDataSource& data = {});
    bool IsSampleFileNeeded(const GameRecord& game, std::string_view fileName);
    void DropExcludedFolders(GameFindings& findings);
    // Could a scan of the selected games put a file back from the backup folder, that is,
    // change a set even with every fix off? True when a selected game's backup folder holds
    // a file named as one of its ROMs or samples.
    bool MayRestoreFromBackup(const GameDatabase& database, const GameSelection& selection);

    // ---- Result lines, log, statistics ----
    const ScanReport& report() const { return report_; }
    ScanReport& report() { return report_; }
    // The "S&ave Logfile" action: statistics question, save chooser, write; a failed write
    // is reported with the file and the reason.
    void SaveLogFile();
    // The "Save Fixdat" action: save chooser, write; a failed write is reported with the file
    // and the reason.
    void SaveFixdat();
    // Builds both texts, keeps the log form in the report and shows the "Scanning Results"
    // box.
    void ShowStatistics();

    // ---- Batch files ----
    void RunBatchFile(const GameRecord& game, const GameFindings& findings);

    // ---- Shared services ----
    Dialogs& dialogs() { return dialogs_; }
    Progress& progress() { return progress_; }
    ZipLibrary& zipLibrary() { return zipLibrary_; }
    CollectionIndex& index() { return index_; }
    const ZipReader& zipReader() const { return zipReader_; }
    Fixer& fixer() { return fixer_; }
    // Every change a fix makes goes through journal from now on (none: made directly).
    void SetJournal(ChangeJournal* journal) {
        journal_.Set(journal);
        fixer_.SetJournal(journal);
    }
    ChangeJournal& journal() { return *journal_; }

  private:
    Dialogs& dialogs_;
    Progress& progress_;
    ZipLibrary& zipLibrary_;
    ZipReader zipReader_;
    CollectionIndex index_{dialogs_};
    ConsentState consent_;  // before the fixer, which keeps a reference
    Fixer fixer_;
    JournalSlot journal_;
    ScanReport report_;
    ScanResult result_;
    std::function<void()> onListsReady_;

    // Private helpers of the set checks (SetChecks.cpp) go below this line.

    // Where a file of a set was found at one location.
    struct FileMatch {
        bool loose = false;
        std::string looseName;              // as listed
        std::optional<std::size_t> member;  // index into this location's member list
        bool Found() const { return loose || member.has_value(); }
    };

    FileMatch FindInSet(const SetLocation& location, bool zipRead, const MemberList& members,
                        std::string_view fileName);
    // FileExistsInSet without verify, through the kept listings.
    bool ExistsInSet(const std::string& folder, const std::string& setName,
                     std::string_view fileName);
    // Puts a missing file back from the backup folder. A ROM comes back only when the kept
    // file has its length and CRC-32 (either form); the name alone proves nothing.
    bool RestoreFromBackup(const GameRecord& game, GameFindings& findings,
                           const std::string& fileName, const SetLocation& location, bool zipRead,
                           const RomRecord* rom = nullptr);
    // The game's ROM of that name (ignoring case), or null.
    const RomRecord* RomNamed(const GameRecord& game, std::string_view name);
    // Does the set hold a file of that name with exactly this size and CRC-32.
    bool HoldsCopy(const std::string& folder, const std::string& setName, std::string_view fileName,
                   const FileData& data);
    // Unneeded entries holding the data of a listed ROM found under a wrong name wait for the
    // rename while that ROM has no copy under its right name.
    void HoldWrongNamedData(const GameRecord& game, GameFindings& findings,
                            const GameDatabase& database);
    void AddUnneeded(GameFindings& findings, UnneededEntry entry);
    // A needed file of the set at location (folder + set name as on disk).
    void AddNeededFile(const std::string& location, const std::string& name);
    bool IsNeededFile(std::string_view path) const;
    bool EndScan(bool result);
    // Readers list the sets the scan will look at ahead of it (with config.ioThreads > 1).
    void StartReadAhead(const GameDatabase& database, const GameSelection& selection);
    // Makes the fix (through the fixer, or the copy back from the backup folder) and tells
    // the index every path the fix reports changed: the one place where a scan changes the
    // collection. True when the fix was made.
    bool ApplyFix(const GameRecord& game, GameFindings& findings, const FixRequest& request);
    // The copy back from the backup folder, as a fix.
    FixResult RestoreFile(const BackupRestore& fix);
    void CheckUnneededInSet(
        const std::string& folder, const std::string& name, GameFindings& findings,
        const std::function<bool(std::string_view, const FileDataSource&)>& isNeeded);

    std::unordered_map<const GameRecord*,
                       std::unordered_map<std::string_view, const RomRecord*, CaseInsensitiveHash,
                                          CaseInsensitiveEqual>>
        romNames_;
    // The needed files by set location (a set of a hundred thousand files is no exception).
    using NameSet = std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual>;
    std::unordered_map<std::string, NameSet, CaseInsensitiveHash, CaseInsensitiveEqual>
        neededByLocation_;
    NameSet* lastNeeded_ = nullptr;
    std::string lastNeededLocation_;
    std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> unneededSeen_;
    const GameFindings* unneededSeenFor_ = nullptr;
    std::size_t unneededSeenCount_ = 0;
};

}  // namespace vextral
