#pragma once
// Reorganises parent and clone sets: full merge (one set per family), split merge (clone sets
// hold only what the parent does not list by name) and unmerge (every game complete).
// The new sets go into the first rom folder; old sets are removed only once every new set of
// the family is complete and verified.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/GameDatabase.h"
#include "rebuild/FolderNames.h"
#include "rebuild/MergeDialogue.h"
#include "rebuild/RunOutcome.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

class Merger {
  public:
    using Outcome = RunOutcome;

    // Reads the config's options and folders and the paths' rom lists at each run.
    Merger(const ScanConfig& config, const ScanPaths& paths, Dialogs& dialogs, Progress& progress,
           ZipLibrary& zipLibrary, GameDatabase& database);

    // Full merge when the config's MergeFull is on, otherwise split merge.
    Outcome Merge(const MergeOptions& options);
    Outcome Unmerge(const MergeOptions& options);

    // Parents of the last run whose family was left as it was, because a file found in an old
    // set could not be copied, an old archive could not be read, or a new set could not be
    // built and verified.
    const std::vector<std::string>& SkippedParents() const { return skippedParents_; }

  private:
    enum class Mode { Full, Split, Unmerge };
    enum class Placed { No, Moved, Exchanged, MovedAside };

    struct Content {
        std::uint64_t size = 0;
        std::optional<std::uint32_t> crc;  // computed when first asked for
        std::string path;                  // the file in the temporary folder
    };
    // One set being built in the first rom folder.
    struct NewSet {
        std::string name;
        std::string temporary;  // first rom folder + name + ".vxt", no separator
        bool madeTemporary = false;
        std::vector<std::string> gathered;  // ROM names copied in, as listed
        std::unordered_set<std::string> gatheredFolded;
        std::string archive;  // the archive built under a temporary name
        // What the new set holds, by folded name.
        std::unordered_map<std::string, Content> contents;
        // How it was put in place: from where to where, and where the old set standing
        // there went.
        Placed placed = Placed::No;
        std::string placedFrom;
        std::string placedAt;
        std::string displaced;
        bool keep = false;  // taking it back failed: its files may hold an old set's data
    };
    // An old set of the family, found before anything moved.
    struct OldSet {
        std::size_t folderIndex = 0;
        std::string setName;
        std::string path;
        bool isFolder = false;
        bool listed = true;  // path is the name the folder's listing knows
    };
    struct ArchiveListing {
        bool readable = false;
        std::vector<ZipEntry> members;
    };

    Outcome Run(Mode mode, const MergeOptions& options);
    // True when the family's new sets are all in place and its old sets were removed; false
    // when every old set was left as it was.
    [[nodiscard]] bool ProcessFamily(Mode mode, const GameRecord& parent);

    // Copies ROM romName of set setName in rom folder folderIndex to newSet's temporary
    // folder (loose file first, else the members of the set archive of that name).
    void CopyRom(std::size_t folderIndex, const std::string& setName, const std::string& romName,
                 NewSet& newSet, bool onlyWhenMissing);
    const ArchiveListing& Listing(const std::string& archivePath);
    const FolderNames& SetFolderNames(const std::string& setFolder);

    // The old set folders may be read whole and hold no part of the program folder.
    bool FamilyIsSafe(const std::vector<std::string>& setNames) const;
    std::vector<OldSet> FindOldSets(const std::vector<std::string>& setNames) const;
    // What an interrupted run left under the set's temporary names goes to the backup
    // folder; nothing of it is built into a set.
    bool ClearLeftovers(const std::string& name);
    bool ClearLeftover(const std::string& path, const std::string& setName);
    bool StartSet(NewSet& newSet, const std::string& name);
    bool BuildSet(NewSet& newSet);
    void DiscardSet(NewSet& newSet);
    // Puts the new set in place; an old set standing there changes places with it.
    [[nodiscard]] bool PlaceSet(NewSet& newSet);
    // Undoes PlaceSet; false when the old state could not be brought back.
    [[nodiscard]] bool UnplaceSet(NewSet& newSet);
    bool IsTaken(const std::string& name, std::uint64_t size,
                 const std::function<std::optional<std::uint32_t>()>& crcOf);
    // Removes an old set, keeping what no new set took in the backup folder when Backup is on.
    void RemoveOldSet(const OldSet& old);
    bool BackUpFolder(const std::string& folder, const std::string& setName);
    bool BackUpArchive(const std::string& archive, const std::string& setName);

    const ScanConfig& config_;
    const ScanPaths& paths_;
    Dialogs& dialogs_;
    Progress& progress_;
    ZipLibrary& zipLibrary_;
    ZipReader zipReader_;
    GameDatabase& database_;
    bool zip_ = false;
    std::string first_;                     // the first rom folder, ends with the separator
    std::vector<std::string> romFolders_;   // romList, each ending with the separator
    std::vector<FolderNames> folderNames_;  // one per rom folder, kept up to date
    std::vector<std::string> skippedParents_;

    // Per family
    bool broken_ = false;
    std::vector<NewSet*> familySets_;
    std::unordered_map<std::string, ArchiveListing> listings_;
    std::unordered_map<std::string, FolderNames> setFolders_;
};

}  // namespace vextral
