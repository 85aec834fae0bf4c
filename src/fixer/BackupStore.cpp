#include "fixer/BackupStore.h"

#include "platform/FileSystem.h"

namespace vextral {
namespace {

constexpr unsigned kMaxNumber = 100000;

// Copies the contents of source into the new folder target; false when anything failed.
bool CopyFolderContents(const std::string& source, const std::string& target) {
    bool ok = true;
    for (const DirEntry& entry : ListFolder(source)) {
        const std::string from = source + kSeparator + entry.name;
        const std::string to = target + kSeparator + entry.name;
        if (entry.isFolder && IsSymbolicLink(from)) {
            // Removing the tree drops only the link, so there is nothing to keep; following
            // it could copy a whole disk or loop for ever.
            continue;
        }
        if (entry.isFolder) {
            ok = CreateFolder(to) && CopyFolderContents(from, to) && ok;
        } else {
            ok = CopyFileTo(from, to, CopyMode::KeepExisting) && ok;
        }
    }
    return ok;
}

}  // namespace

std::string BackupStore::NumberedName(const std::string& name, unsigned number) {
    if (number == 0) {
        return name;
    }
    const std::string suffix = " (" + std::to_string(number) + ")";
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return name + suffix;
    }
    return name.substr(0, dot) + suffix + name.substr(dot);
}

std::optional<std::string> BackupStore::SetFolder(const std::string& setName) const {
    const std::string folder = programFolder_ + "backup.vxt" + kSeparator + setName + kSeparator;
    if (!CreateFolderTree(folder) || !IsFolder(folder)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> BackupStore::MoveFileIn(const std::string& file,
                                                   const std::string& setName,
                                                   const std::string& name) const {
    const auto folder = SetFolder(setName);
    if (!folder) {
        return std::nullopt;
    }
    for (unsigned n = 0; n < kMaxNumber; ++n) {
        const std::string target = *folder + NumberedName(name, n);
        if (PathExists(target)) {
            continue;
        }
        if (RenameNoReplace(file, target)) {
            return target;
        }
        if (PathExists(target)) {
            continue;
        }
        // Another file system: copy, and drop the source only once the copy is complete.
        if (CopyFileTo(file, target, CopyMode::KeepExisting)) {
            DeleteFile(file);
            return target;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> BackupStore::CopyIn(const std::string& source,
                                               const std::string& setName,
                                               const std::string& name) const {
    const auto folder = SetFolder(setName);
    if (!folder) {
        return std::nullopt;
    }
    const bool isFolder = IsFolder(source);
    if (!isFolder && !IsRegularFile(source)) {
        return std::nullopt;
    }
    for (unsigned n = 0; n < kMaxNumber; ++n) {
        const std::string target = *folder + NumberedName(name, n);
        if (PathExists(target)) {
            continue;
        }
        if (isFolder) {
            if (!CreateFolder(target)) {
                return std::nullopt;
            }
            if (!CopyFolderContents(source, target)) {
                return std::nullopt;
            }
            return target;
        }
        if (CopyFileTo(source, target, CopyMode::KeepExisting)) {
            return target;
        }
        if (!PathExists(target)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace vextral
