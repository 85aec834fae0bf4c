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
#include "database/GameDatabase.h"
#include "rebuild/FolderNames.h"
#include "rebuild/MergeDialogue.h"
#include "rebuild/RunOutcome.h"
#include "scanner/Scanner.h"

namespace vextral {

class Merger {
  public:
    using Outcome = RunOutcome;

    Merger(Scanner& scanner, GameDatabase& database);

    // Full merge when the scanner's MergeFull is on, otherwise split merge.
    Outcome Merge(const MergeOptions& options);
    Outcome Unmerge(const MergeOptions& options);

    // Parents of the last run whose family was left as it was, because a file found in an old
    // set could not be copied, an old archive could not be read, or a new set could not be
    // built and verified.
    const std::vector<std::string>& SkippedParents() const { return skippedParents_; }

  private:
    enum class Mode { Full, Split, Unmerge };

    struct Content {
        std::uint64_t size = 0;
        std::optional<std::uint32_t> crc;  // computed when first asked for
        std::string path;                  // the file in the temporary folder
    };
    // One set being built in the first rom folder.
    struct NewSet {
        std::string name;
        std::string temporary;              // first rom folder + name + ".vxt", no separator
        bool madeTemporary = false;         // false: a leftover of an interrupted run, kept
        std::vector<std::string> gathered;  // ROM names copied in, as listed
        std::unordered_set<std::string> gatheredFolded;
        std::string archive;  // the archive built under a temporary name
        // What the new set holds, by folded name.
        std::unordered_map<std::string, Content> contents;
    };
    struct ArchiveListing {
        bool readable = false;
        std::vector<ZipEntry> members;
    };

    Outcome Run(Mode mode, const MergeOptions& options);
    bool ProcessFamily(Mode mode, const GameRecord& parent);

    // Copies ROM romName of set setName in rom folder folderIndex to newSet's temporary
    // folder (loose file first, else the members of the set archive of that name).
    void CopyRom(std::size_t folderIndex, const std::string& setName, const std::string& romName,
                 NewSet& newSet, bool onlyWhenMissing);
    const ArchiveListing& Listing(const std::string& archivePath);
    const FolderNames& SetFolderNames(const std::string& setFolder);

    bool StartSet(NewSet& newSet, const std::string& name);
    bool BuildSet(NewSet& newSet);
    void DiscardSet(NewSet& newSet);
    void PlaceSet(NewSet& newSet);
    bool IsTaken(const std::string& name, std::uint64_t size,
                 const std::function<std::optional<std::uint32_t>()>& crcOf);
    // Removes the old set (folder and archive) of this name in one rom folder, keeping what no
    // new set took in the backup folder when Backup is on.
    void RemoveOldSet(std::size_t folderIndex, const std::string& setName);
    bool BackUpFolder(const std::string& folder, const std::string& setName);
    bool BackUpArchive(const std::string& archive, const std::string& setName);

    Scanner& scanner_;
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
