#pragma once
// An advisory lock (flock) on a folder, taken through an open descriptor of the folder itself,
// so that no lock file is ever left in a user's folder. The kernel drops the lock when the
// process ends, however it ends, so a crash never leaves a stale lock.

#include <string>

#include "platform/FileDescriptor.h"

namespace vextral {

enum class LockMode { Shared, Exclusive };

enum class LockResult {
    Locked,
    Busy,         // another process holds a lock that excludes this one
    Unavailable,  // the folder cannot be opened, or its file system does not lock folders
};

class FolderLock {
  public:
    FolderLock() = default;

    // One attempt, never waiting: two processes can never wait for each other.
    LockResult TryLock(const std::string& folder, LockMode mode);
    bool Held() const { return descriptor_.IsOpen(); }
    void Release() { (void)descriptor_.Close(); }
    // Whether path still names the folder this lock holds (it may have been removed or
    // replaced since it was opened).
    bool StillNames(const std::string& path) const;

  private:
    FileDescriptor descriptor_{-1};
};

}  // namespace vextral
