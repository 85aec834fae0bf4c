#pragma once
// Builds ROM sets in a destination folder from loose files and zip members found anywhere
// below a source folder, matched by CRC-32 and length against the selected games.
// Zipped sets are written once per run each: what a set gets is gathered during the walk and
// compressed on worker threads; decisions, questions, messages, progress and every archive
// change stay on the calling thread.

#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/Deflate.h"
#include "archive/ZipLibrary.h"
#include "archive/ZipReader.h"
#include "database/GameDatabase.h"
#include "fixer/ChangeJournal.h"
#include "fixer/ScratchFolder.h"
#include "platform/WorkerPool.h"
#include "rebuild/FolderNames.h"
#include "rebuild/RebuildDialogue.h"
#include "rebuild/RebuildIndex.h"
#include "rebuild/RunOutcome.h"
#include "scanner/GameSelection.h"
#include "scanner/ScanConfig.h"
#include "ui/Dialogs.h"
#include "ui/Progress.h"

namespace vextral {

class Rebuilder {
  public:
    using Outcome = RunOutcome;

    // Reads the config's options and folders at each run; the selection at each BuildIndex.
    Rebuilder(const ScanConfig& config, Dialogs& dialogs, Progress& progress,
              ZipLibrary& zipLibrary, const GameDatabase& database, const GameSelection& selection,
              ChangeJournal* journal = nullptr);

    // The index afresh from the selected games (after PrepareScan marked them).
    void BuildIndex();
    const RebuildIndex& Index() const { return index_; }

    // Failed without touching anything when the destination is the source or lies inside
    // it, or the source is not a folder.
    Outcome Rebuild(const std::string& sourceFolder, const std::string& destinationFolder,
                    const RebuildOptions& options);

    // Every change goes through journal from now on (none: made directly).
    void SetJournal(ChangeJournal* journal) { journal_.Set(journal); }

    // Archives are compressed on this many threads (at first one per processor core).
    void SetWorkers(unsigned count) { workers_ = count; }

    // One line per set of the last run that a file could not be written into ("name: why"),
    // in the order the sets first failed (an archive fails when it is written: after the
    // walk has gathered all it gets, or at the end of the run).
    const std::vector<std::string>& FailedSets() const { return failureLines_; }

  private:
    enum class Step { Continue, Stop };
    // What goes into one archive in this run: gathered during the walk and compressed on the
    // workers (as it comes while few bytes wait, else once no more can come), then written in
    // one change on the calling thread.
    struct PendingArchive {
        std::string setName;  // the set whose write opened it, named in its failure
        std::string path;
        std::vector<std::string> files;  // sources, or links to members extracted for them
        std::vector<std::string> memberNames;
        std::vector<std::uint64_t> sizes;
        std::uint64_t submittedBytes = 0;
        // Links to extracted members, which are removed once matched.
        std::unique_ptr<ScratchFolder> stage;
        using Compressed = std::pair<std::shared_ptr<const DeflatedData>, std::string>;
        std::vector<std::future<Compressed>> compressed;  // of the first files, as handed over
    };
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
    // Counts the entry as served: when no entry is left for its set, the set's archive gets
    // nothing more in this run and is handed to the workers.
    void Served(const RebuildEntry& entry);
    void Dispatch(const std::string& archive);
    // Hands the archive's files not yet handed over to the workers.
    void Submit(PendingArchive& pending);
    // Writes the archives whose compression has ended, in the order they were handed over;
    // with wait, all of them.
    void CommitArchives(bool wait);
    void CommitOldest();
    // Hands over what the walk gathered for the archives not yet complete, and writes all.
    void FinishArchives();
    // Notes the set's first failure.
    void Fail(const std::string& setName, const std::string& why);
    const std::string& TargetGame(const RebuildEntry& entry) const;

    const ScanConfig& config_;
    Dialogs& dialogs_;
    Progress& progress_;
    ZipLibrary& zipLibrary_;
    JournalSlot journal_;
    ZipReader zipReader_;
    const GameDatabase& database_;
    const GameSelection& selection_;
    RebuildIndex index_;
    std::unordered_set<std::uint64_t> sizes_;  // every size in the index

    // Per run
    RebuildOptions options_;
    std::string destination_;            // ends with the separator
    std::string skipDestination_;        // canonical, without separator
    std::string skipTemporary_;          // canonical, without separator
    std::string skipProgram_;            // canonical, without separator
    std::optional<ScratchFolder> work_;  // this run's private folder in tempzip.vxt
    std::string workFolder_;             // its path
    FolderNames destinationNames_;
    std::vector<std::string> biosNames_;
    // Member names (folded) of the archives written in this run, listed once.
    std::unordered_map<std::string, std::unordered_set<std::string>> archiveMembers_;
    unsigned workers_ = WorkerPool::CoreCount();
    std::unique_ptr<WorkerPool> pool_;                       // zipping runs only
    std::unordered_map<std::string, std::size_t> unserved_;  // by folded set name
    std::map<std::string, PendingArchive> gathering_;        // by archive path
    std::vector<std::string> gatheringOrder_;                // archive paths, first write first
    std::unordered_map<std::string, std::vector<std::string>> archivesOfSet_;  // folded name
    std::deque<PendingArchive> compressing_;
    std::uint64_t compressingBytes_ = 0;
    bool temporaryLinked_ = false;  // the current extracted member is already a set file
    std::unordered_set<std::string> failedSets_;
    std::vector<std::string> failureLines_;
};

}  // namespace vextral
