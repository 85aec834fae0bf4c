#include "platform/FolderLockSet.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <tuple>

namespace vextral {

namespace {

struct Target {
    dev_t device = 0;
    ino_t inode = 0;
    std::string path;       // the folder to open
    std::string requested;  // as the caller named it
    LockMode mode = LockMode::Shared;
};

// The folder itself, or the nearest existing parent of a folder still to be made.
std::optional<Target> ExistingTarget(const std::string& folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
    if (error)
        return std::nullopt;
    if (path.filename().empty() && path.has_relative_path())
        path = path.parent_path();  // a trailing separator
    for (;;) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return std::nullopt;
            return Target{info.st_dev, info.st_ino, path.string(), folder, LockMode::Shared};
        }
        if (!path.has_relative_path())
            return std::nullopt;
        path = path.parent_path();
    }
}

}  // namespace

LockOutcome FolderLockSet::TryLockAll(const std::vector<FolderLockRequest>& requests) {
    ReleaseAll();
    std::vector<Target> targets;
    for (const FolderLockRequest& request : requests) {
        std::optional<Target> target = ExistingTarget(request.folder);
        if (!target)
            continue;
        target->mode = request.mode;
        const auto same = std::find_if(targets.begin(), targets.end(), [&](const Target& t) {
            return t.device == target->device && t.inode == target->inode;
        });
        if (same == targets.end()) {
            targets.push_back(std::move(*target));
        } else if (request.mode == LockMode::Exclusive) {
            same->mode = LockMode::Exclusive;
        }
    }
    // Every folder above a locked one is locked shared as well, so that a process changing
    // a tree and one working in a folder inside it exclude each other, while processes in
    // sibling folders do not.
    const std::size_t requested = targets.size();
    for (std::size_t i = 0; i < requested; ++i) {
        std::error_code error;
        std::filesystem::path above = std::filesystem::canonical(targets[i].path, error);
        while (!error && above.has_relative_path()) {
            above = above.parent_path();
            std::optional<Target> ancestor = ExistingTarget(above.string());
            if (!ancestor)
                break;
            const bool known = std::any_of(targets.begin(), targets.end(), [&](const Target& t) {
                return t.device == ancestor->device && t.inode == ancestor->inode;
            });
            if (!known)
                targets.push_back(std::move(*ancestor));
        }
    }
    std::sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) {
        return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
    });

    for (const Target& target : targets) {
        FolderLock lock;
        switch (lock.TryLock(target.path, target.mode)) {
            case LockResult::Locked:
                locks_.push_back(std::move(lock));
                break;
            case LockResult::Busy:
                ReleaseAll();
                return {false, target.requested};
            case LockResult::Unavailable:
                break;
        }
    }
    return {true, {}};
}

}  // namespace vextral
