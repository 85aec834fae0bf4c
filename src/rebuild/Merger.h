#pragma once
// Reorganises parent and clone sets: full merge (one set per family), split merge (clone sets
// hold only what the parent does not list with the same data) and unmerge (every game
// complete). A ROM is the parent's only when the parent lists its name with the same size and
// CRC-32: a clone ROM that bears a parent ROM's name for other data stays in the clone's set
// in every mode, so a full merge keeps such a clone's set holding just those ROMs.
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

#include "archive/Crc32.h"
#include "archive/ZipEntry.h"
#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/GameDatabase.h"
#include "fixer/ChangeJournal.h"
#include "rebuild/FolderNames.h"
#include "rebuild/MergeDialogue.h"
#include "rebuild/RunOutcome.h"
#include "scanner/GameSelection.h"
#include "scanner/ScanConfig.h"
#include "scanner/ScanPaths.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

class Merger {
  public:
    using Outcome = RunOutcome;

    // Reads the config's options and folders, the paths' rom lists and the selection at each
    // run.
    Merger(const ScanConfig& config, const ScanPaths& paths, Dialogs& dialogs, Progress& progress,
           ZipLibrary& zipLibrary, const GameDatabase& database, const GameSelection& selection,
           ChangeJournal* journal = nullptr);

    // Full merge when the config's MergeFull is on, otherwise split merge.
    Outcome Merge(const MergeOptions& options);
    Outcome Unmerge(const MergeOptions& options);

    // Parents of the last run whose family was left as it was, because a file found in an old
    // set could not be copied, an old archive could not be read, or a new set could not be
    // built and verified.
    const std::vector<std::string>& SkippedParents() const { return skippedParents_; }
    // Files of the last run kept in the backup folder although Backup is off: ROM data of the
    // list that no new set holds.
    std::size_t KeptWithoutBackup() const { return keptWithoutBackup_; }

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
        std::unordered_map<std::string, std::uint32_t> gatheredCrcs;   // by folded name, when known
        std::unordered_map<std::string, std::uint64_t> gatheredSizes;  // by folded name
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
    // The ROMs a new set is to hold, each with the game that lists it.
    struct PlannedRom {
        const GameRecord* owner = nullptr;
        const RomRecord* rom = nullptr;
    };
    struct SetPlan {
        const GameRecord* game = nullptr;
        std::vector<PlannedRom> roms;
    };
    // A copy of a ROM in an old set of the family: a loose file or an archive member.
    struct Candidate {
        const GameRecord* holder = nullptr;
        std::string loosePath;
        const ZipEntry* member = nullptr;
    };

    Outcome Run(Mode mode, const MergeOptions& options);
    // True when the family's new sets are all in place and its old sets were removed; false
    // when every old set was left as it was.
    [[nodiscard]] bool ProcessFamily(Mode mode, const GameRecord& parent);
    // One set per game of family (the parent first), with the ROMs each is to hold.
    static std::vector<SetPlan> PlanFamily(Mode mode, const std::vector<const GameRecord*>& family);

    // Copies the best copy of the owner's ROM into newSet's temporary folder: one with the
    // listed size and CRC-32 from the owner's old sets, else from another game's of the family,
    // else a damaged one of the owner's own.
    void GatherRom(const GameRecord& owner, const RomRecord& rom, NewSet& newSet);
    void FindCandidates(const GameRecord& holder, const std::string& romName,
                        std::vector<Candidate>& found);
    std::optional<FileData> DataOf(const Candidate& candidate);
    void Take(const Candidate& candidate, const std::string& romName,
              const std::optional<FileData>& data, NewSet& newSet);
    const ArchiveListing& Listing(const std::string& archivePath);
    const FolderNames& SetFolderNames(const std::string& setFolder);

    // Whether any game of the family has a set in a rom folder, or something of an earlier
    // run under its temporary names: a family without either has nothing to change.
    bool FamilyHasFiles(const std::vector<std::string>& setNames) const;
    // The old set folders may be read whole and hold no part of the program folder, and
    // every old set archive can be read.
    bool FamilyIsSafe(const std::vector<std::string>& setNames);
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
    bool IsHeld(std::uint64_t size, std::uint32_t crc);
    // Whether a file of an old set goes to the backup folder: with Backup on, anything no new
    // set took under its name; with it off, ROM data of the list that no new set holds (and
    // what cannot be read).
    bool MustKeep(const std::string& name, std::uint64_t size,
                  const std::function<std::optional<std::uint32_t>()>& crcOf);
    bool IsListedData(std::uint64_t size, std::uint32_t crc);
    // Removes an old set once what it must keep is in the backup folder.
    void RemoveOldSet(const OldSet& old);
    bool BackUpFolder(const std::string& folder, const std::string& setName);
    enum class Keeping { Everything, WhatMustStay };
    bool BackUpArchive(const std::string& archive, const std::string& setName, Keeping keeping);
    // Counts what went to the backup folder with Backup off; returns kept.
    bool Kept(bool kept);

    const ScanConfig& config_;
    const ScanPaths& paths_;
    Dialogs& dialogs_;
    Progress& progress_;
    ZipLibrary& zipLibrary_;
    JournalSlot journal_;
    ZipReader zipReader_;
    const GameDatabase& database_;
    const GameSelection& selection_;
    bool zip_ = false;
    std::string first_;                     // the first rom folder, ends with the separator
    std::vector<std::string> romFolders_;   // romList, each ending with the separator
    std::vector<FolderNames> folderNames_;  // one per rom folder, kept up to date
    std::vector<std::string> skippedParents_;
    std::size_t keptWithoutBackup_ = 0;
    std::unordered_set<std::uint64_t> listedData_;  // size and CRC-32 of every listed ROM
    bool listedDataMade_ = false;

    // Per family
    bool broken_ = false;
    std::vector<const GameRecord*> family_;  // the parent first
    std::unordered_map<std::string, std::optional<FileData>> looseData_;
    // Loose files of the family given a second name in a new set; each only once, so that no
    // two sets end up sharing one file.
    std::unordered_set<std::string> linked_;
    std::vector<NewSet*> familySets_;
    std::unordered_map<std::string, ArchiveListing> listings_;
    std::unordered_map<std::string, FolderNames> setFolders_;
};

}  // namespace vextral
