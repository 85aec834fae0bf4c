#pragma once
// Builds ROM sets in a destination folder from loose files and zip members found anywhere
// below a source folder, matched by CRC-32 and length against the selected games.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/GameDatabase.h"
#include "rebuild/FolderNames.h"
#include "rebuild/RebuildDialogue.h"
#include "rebuild/RebuildIndex.h"
#include "rebuild/RunOutcome.h"
#include "scanner/ScanConfig.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

class Rebuilder {
  public:
    using Outcome = RunOutcome;

    // Reads the config's options and folders at each run; the database's selection at each
    // BuildIndex.
    Rebuilder(const ScanConfig& config, Dialogs& dialogs, Progress& progress,
              ZipLibrary& zipLibrary, const GameDatabase& database);

    // The index afresh from the selected games (after PrepareScan marked them).
    void BuildIndex();
    const RebuildIndex& Index() const { return index_; }

    // Failed without touching anything when the destination is the source or lies inside
    // it, or the source is not a folder.
    Outcome Rebuild(const std::string& sourceFolder, const std::string& destinationFolder,
                    const RebuildOptions& options);

    // One line per set of the last run that a file could not be written into ("name: why"),
    // in the order the sets first failed.
    const std::vector<std::string>& FailedSets() const { return failureLines_; }

  private:
    enum class Step { Continue, Stop };
    struct Candidate {
        std::uint32_t crc = 0;
        std::uint32_t complement = 0;
        std::uint64_t size = 0;
        std::string name;
    };

    std::uint32_t CountFiles(const std::string& folder);
    bool SkipFolder(const std::string& folder) const;
    Step WalkFolder(const std::string& folder);
    Step ProcessFile(const std::string& path);
    // Could any unused entry take a file of this description? Saves reading files and
    // extracting members that cannot match.
    bool MightMatch(const Candidate& candidate);
    Step Match(const std::string& file, const Candidate& candidate);
    Step Write(const std::string& file, const std::string& romName, const std::string& game,
               bool isBios);
    void WriteLoose(const std::string& file, const std::string& romName,
                    const std::string& setName);
    void WriteZipped(const std::string& file, const std::string& romName,
                     const std::string& setName);
    // Notes the set's first failure.
    void Fail(const std::string& setName, const std::string& why);
    const std::string& TargetGame(const RebuildEntry& entry) const;

    const ScanConfig& config_;
    Dialogs& dialogs_;
    Progress& progress_;
    ZipLibrary& zipLibrary_;
    ZipReader zipReader_;
    const GameDatabase& database_;
    RebuildIndex index_;
    std::unordered_set<std::uint64_t> sizes_;  // every size in the index

    // Per run
    RebuildOptions options_;
    std::string destination_;      // ends with the separator
    std::string skipDestination_;  // canonical, without separator
    std::string skipTemporary_;    // canonical, without separator
    std::string skipProgram_;      // canonical, without separator
    std::string workFolder_;       // this run's private folder in tempzip.vxt
    FolderNames destinationNames_;
    std::vector<std::string> biosNames_;
    // Member names (folded) of the archives written in this run, listed once.
    std::unordered_map<std::string, std::unordered_set<std::string>> archiveMembers_;
    std::uint32_t stageCounter_ = 0;
    bool temporaryLinked_ = false;  // the current extracted member is already a set file
    std::unordered_set<std::string> failedSets_;
    std::vector<std::string> failureLines_;
};

}  // namespace vextral
