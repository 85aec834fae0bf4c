#pragma once
// This process's own folder in the temporary folder (programFolder + "tempzip.vxt"). It is
// locked for as long as the process runs, which is how every other process tells it from a
// folder whose process has ended: only such a folder may be removed. What a removed folder
// still holds can be the only copy of ROM data (a fix that ended between taking a member out
// and putting it back), so its files go to the backup folder first.

#include <string>

#include "platform/FolderLock.h"

namespace vextral {

inline constexpr const char* kTempZipFolderName = "tempzip.vxt";
// The backup sub-folder for what was found in the temporary folder; no set has this name.
inline constexpr const char* kScratchLeftoversName = "tempzip.vxt leftovers";

class ProcessScratch {
  public:
    // Makes and locks a new folder; Ok() is false when that failed.
    explicit ProcessScratch(const std::string& programFolder);
    // Finish()
    ~ProcessScratch();
    ProcessScratch(const ProcessScratch&) = delete;
    ProcessScratch& operator=(const ProcessScratch&) = delete;

    bool Ok() const { return !path_.empty(); }
    // Ends with the separator; empty when the folder could not be made.
    const std::string& Path() const { return path_; }

    // Keeps the files still in this process's folder in the backup folder, removes the
    // folder and lets go of it. Returns how many files were kept.
    unsigned Finish();

    // Does the same for every folder of the temporary folder whose process has ended, and
    // for loose files there; a folder whose process still runs is never touched. Returns
    // how many files were kept.
    static unsigned SweepEnded(const std::string& programFolder);
    // Where kept files go: programFolder + "backup.vxt/tempzip.vxt leftovers/".
    static std::string LeftoversFolder(const std::string& programFolder);

  private:
    std::string programFolder_;
    std::string path_;
    FolderLock lock_;
};

}  // namespace vextral
