#pragma once
// The folder locks one action holds from before its first change to its end.

#include <string>
#include <vector>

#include "platform/FolderLock.h"

namespace vextral {

struct FolderLockRequest {
    std::string folder;
    LockMode mode = LockMode::Shared;
};

struct LockOutcome {
    bool locked = false;
    std::string busyFolder;  // as requested; set when another process holds it
};

class FolderLockSet {
  public:
    // Locks every requested folder without waiting, or none. A folder asked for twice, under
    // any name, is locked once in the stronger mode: two locks of one process on one folder
    // would exclude each other. A folder that does not exist yet stands for its nearest
    // existing parent, where it will be made. A folder that cannot be locked at all (no read
    // permission, a file system without folder locks) is left unlocked rather than refused.
    // Every folder above a requested one is locked shared too. Every process locks in the
    // same order (by device and inode), so of two processes asking at once one always gets
    // all it asked for.
    LockOutcome TryLockAll(const std::vector<FolderLockRequest>& requests);
    void ReleaseAll() { locks_.clear(); }

  private:
    std::vector<FolderLock> locks_;
};

}  // namespace vextral
