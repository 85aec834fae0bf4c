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
#include "scanner/Fixdat.h"
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

// The size and CRC-32 (FileData) of a file being judged, read only when a decision needs them (a
// loose file is checksummed on demand); nothing when they cannot be read.
using FileDataSource = std::function<std::optional<FileData>()>;

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
    std::string scratchFolder;  // this process's own folder in tempzip.vxt, ends with it
    // Where mame.ini is looked for after the MAME folder: the program gives
    // UserMameIniFolders(); empty, only the MAME folder's own counts.
    std::vector<std::string> mameIniFolders;
    DatabaseCounts databaseCounts;
    // Called by PrepareScan once the lists are split (the window updates its buttons).
    std::function<void()> onListsReady;

    // ---- Set discovery ----
    std::vector<std::string> romList, sampleList, miscList, chosenList;
    std::uint32_t romCount = 0, sampleCount = 0, miscCount = 0, chosenCount = 0;
    std::vector<std::string> romFolders, sampleFolders, miscFolders;

    static void SplitList(std::string_view text, std::vector<std::string>& list, SplitFlags flags);
    // The [directory] section of mameFolder + "mame.cfg" into romList, sampleList, miscList,
    // then the rompath and samplepath of the first mame.ini found in mameFolder or
    // mameIniFolders.
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
    // Unused by the scan, which keeps the needed files by set location (cheaper at 200,000
    // files); left empty.
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
    // data tells what the file holds: a file counts as a duplicate of a copy in another set
    // only when both hold the same bytes; without data it is never a duplicate.
    bool IsRomFileNeeded(const GameRecord& game, std::string_view fileName,
                         const GameDatabase& database, const FileDataSource& data = {});
    bool IsSampleFileNeeded(const GameRecord& game, std::string_view fileName);
    void DropExcludedFolders(GameRecord& game);
    // Could a scan of the selected games put a file back from the backup folder, that is,
    // change a set even with every fix off? True when a selected game's backup folder holds
    // a file named as one of its ROMs or samples.
    bool MayRestoreFromBackup(const GameDatabase& database);

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
    // The "S&ave Logfile" action: statistics question, save chooser, write; a failed write
    // is reported with the file and the reason.
    void SaveLogFile();
    // Writes logText (CR LF text as kept), and the statistics block when asked. On failure
    // the system's reason goes to *failure when given.
    [[nodiscard]] bool WriteLogFile(const std::string& path, bool withStatistics,
                                    std::string* failure = nullptr) const;
    // The missing ROMs and samples of the last scan, game by game, as its lines say.
    std::vector<FixdatGame> missingFiles;
    // The "Save Fixdat" action: save chooser, write; a failed write is reported with the file
    // and the reason.
    void SaveFixdat();
    // Writes missingFiles as an XML datfile; on failure the reason goes to *failure.
    [[nodiscard]] bool WriteFixdatFile(const std::string& path,
                                       std::string* failure = nullptr) const;

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

    void ReadMameCfg(const std::string& mameFolder);
    // The fixdat entry of the game whose lines are being added.
    FixdatGame& MissingEntry(const GameRecord& game);

    // Private helpers of the set checks (SetChecks.cpp) go below this line.

    // Forwards to the scanner's Dialogs and counts the message boxes, so that the archives
    // the reader complained about are known.
    class CountingDialogs final : public Dialogs {
      public:
        explicit CountingDialogs(Dialogs& inner) : inner_(inner) {}
        MessageResult ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon, MessageButtons buttons) override {
            ++messages;
            return inner_.ShowMessage(text, caption, icon, buttons);
        }
        AskAnswer AskUser(const std::string& caption, const std::string& question) override {
            return inner_.AskUser(caption, question);
        }
        std::string BrowseForFolder(const std::string& prompt) override {
            return inner_.BrowseForFolder(prompt);
        }
        std::optional<std::string> ChooseOpenFile() override { return inner_.ChooseOpenFile(); }
        std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                                  const std::string& extension) override {
            return inner_.ChooseSaveFile(filter, extension);
        }
        std::uint64_t messages = 0;

      private:
        Dialogs& inner_;
    };

    // A set location (folder text + set name) resolved against the folder listing.
    struct SetLocation {
        std::string folder;     // ends with the separator
        std::string name;       // the set name as asked for
        std::string setFolder;  // folder + name as on disk, ending with the separator
        std::string zipPath;    // folder + zip name as on disk
        std::string zipStem;    // zipPath without ".zip"
        // setFolder is set only with hasFolder, zipPath and zipStem only with hasZip.
        bool hasFolder = false;
        bool hasZip = false;
    };
    // Where a file of a set was found at one location.
    struct FileMatch {
        bool loose = false;
        std::string looseName;              // as listed
        std::optional<std::size_t> member;  // index into this location's member list
        bool Found() const { return loose || member.has_value(); }
    };

    std::shared_ptr<const SetLocation> ResolveLocation(const std::string& location);
    // The members of a set zip, null when the listing failed. A listing is kept until the
    // next change made by a fix, a restore or a batch file; an archive's messages are shown
    // once per scan.
    std::shared_ptr<const std::vector<ZipEntry>> ListSetZipKept(const std::string& zipPath);
    // A configured folder's listing, taken once per scan and again after a change.
    const FolderListing& FolderSnapshot(const std::string& folder);
    // Everything remembered about folders, zips and files may be stale now.
    void ForgetAfterChange(const std::string& changedFolder = {});
    FileMatch FindInSet(const SetLocation& location, bool zipRead,
                        const std::vector<ZipEntry>& members, std::string_view fileName);
    // FileExistsInSet without verify, through the kept listings.
    bool ExistsInSet(const std::string& folder, const std::string& setName,
                     std::string_view fileName);
    std::uint32_t LooseFileCrc(const std::string& path);
    // Puts a missing file back from the backup folder. A ROM comes back only when the kept
    // file has its length and CRC-32 (either form); the name alone proves nothing.
    bool RestoreFromBackup(const GameRecord& game, const std::string& fileName,
                           const SetLocation& location, bool zipRead,
                           const RomRecord* rom = nullptr);
    // The game's ROM of that name (ignoring case), or null.
    const RomRecord* RomNamed(const GameRecord& game, std::string_view name);
    // Does the set hold a file of that name with exactly this size and CRC-32.
    bool HoldsCopy(const std::string& folder, const std::string& setName, std::string_view fileName,
                   const FileData& data);
    // Unneeded entries holding the data of a listed ROM found under a wrong name wait for the
    // rename while that ROM has no copy under its right name.
    void HoldWrongNamedData(GameRecord& game, const GameDatabase& database);
    void AddUnneeded(GameRecord& game, UnneededEntry entry);
    // A needed file of the set at location (folder + set name as on disk).
    void AddNeededFile(const std::string& location, const std::string& name);
    bool IsNeededFile(std::string_view path) const;
    bool EndScan(bool result);
    void CheckUnneededInSet(
        const std::string& folder, const std::string& name, GameRecord& game,
        const std::function<bool(std::string_view, const FileDataSource&)>& isNeeded);

    CountingDialogs countingDialogs_{dialogs_};
    ZipReader setReader_{countingDialogs_};
    std::unordered_set<std::string> reportedArchives_;  // this scan's
    std::unordered_map<std::string, std::shared_ptr<const std::vector<ZipEntry>>> zipListings_;
    std::size_t keptMembers_ = 0;  // in zipListings_
    struct FolderSnapshotEntry {
        FolderListing listing;
        std::optional<std::pair<long, long>> modified;  // seconds and nanoseconds
    };
    std::unordered_map<std::string, FolderSnapshotEntry> snapshots_;
    // Drops the snapshots of folders changed since they were taken.
    void RefreshSnapshots();
    std::unordered_map<std::string, std::shared_ptr<const SetLocation>> locations_;
    std::unordered_map<std::string, std::uint32_t> looseCrcs_;
    std::unordered_map<const GameRecord*,
                       std::unordered_map<std::string_view, const RomRecord*, CaseInsensitiveHash,
                                          CaseInsensitiveEqual>>
        romNames_;
    // neededFiles by set location: two equal paths always share their location, so only
    // the few names of one set are compared.
    std::unordered_map<std::string, std::vector<std::string>, CaseInsensitiveHash,
                       CaseInsensitiveEqual>
        neededByLocation_;
    std::vector<std::string>* lastNeeded_ = nullptr;
    std::string lastNeededLocation_;
    std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> unneededSeen_;
    const GameRecord* unneededSeenFor_ = nullptr;
    std::size_t unneededSeenCount_ = 0;
};

}  // namespace vextral
