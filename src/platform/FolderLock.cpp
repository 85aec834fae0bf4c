#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace vextral {

LockResult FolderLock::TryLock(const std::string& folder, LockMode mode) {
    Release();
    // Close-on-exec: a batch file or mame started meanwhile must not carry the lock on
    // after this process has ended.
    FileDescriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.IsOpen())
        return LockResult::Unavailable;
    const int operation = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int result = 0;
    do {
        result = ::flock(opened.Get(), operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == EWOULDBLOCK ? LockResult::Busy : LockResult::Unavailable;
    descriptor_ = std::move(opened);
    return LockResult::Locked;
}

bool FolderLock::StillNames(const std::string& path) const {
    struct stat held {};
    struct stat named {};
    return Held() && ::fstat(descriptor_.Get(), &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace vextral
