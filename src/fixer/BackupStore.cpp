#include "fixer/BackupStore.h"

#include "archive/Crc32.h"
#include "platform/FileSystem.h"

namespace vextral {
namespace {

constexpr unsigned kMaxNumber = 100000;

// A copy counts only when it holds the source's data.
bool CopyVerified(const std::string& from, const std::string& to, ChangeJournal& journal) {
    if (!journal.CopyFile(from, to, CopyMode::KeepExisting))
        return false;
    if (journal.Pretends() || SameFileData(from, to))
        return true;
    static_cast<void>(journal.RemoveFile(to));  // a bad copy; the source is intact
    return false;
}

}  // namespace

bool BackupStore::CopyFolderContents(const std::string& source, const std::string& target,
                                     ChangeJournal& journal) {
    const auto entries = TryListFolder(source);
    if (!entries)
        return false;
    bool ok = true;
    for (const DirEntry& entry : *entries) {
        const std::string from = source + kSeparator + entry.name;
        const std::string to = target + kSeparator + entry.name;
        if (IsSymbolicLink(from) && entry.isFolder) {
            // Removing the tree drops only the link, so there is nothing to keep; following
            // it could copy a whole disk or loop for ever.
            continue;
        }
        if (entry.isFolder) {
            ok = journal.MakeFolder(to) && CopyFolderContents(from, to, journal) && ok;
        } else if (IsRegularFile(from)) {
            ok = CopyVerified(from, to, journal) && ok;
        }
        // Pipes, sockets and devices hold no data to keep.
    }
    return ok;
}

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
    if (!journal_->MakeFolderTree(folder) || !(journal_->Pretends() || IsFolder(folder))) {
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
            // A backup is not repeated: the copy already kept stands for this one.
            if (SameFileData(file, target) && DeleteFile(file)) {
                return target;
            }
            continue;
        }
        if (journal_->MoveIn(file, target)) {
            return target;
        }
        if (PathExists(target)) {
            continue;
        }
        // Another file system: copy, and drop the source only once the copy is complete.
        if (!CopyVerified(file, target, *journal_))
            return std::nullopt;
        if (DeleteFile(file))
            return target;
        // The file is still where it was, so it was not moved; the copy would only be a
        // second one.
        static_cast<void>(journal_->RemoveFile(target));
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> BackupStore::CopyIn(const std::string& source,
                                               const std::string& setName,
                                               const std::string& name) const {
    const bool isFolder = IsFolder(source);
    if (!isFolder && !IsRegularFile(source)) {
        return std::nullopt;
    }
    // The backup lies in the program folder; copying a folder that holds it would copy the
    // copy into itself.
    if (isFolder && IsSameOrInside(programFolder_, source)) {
        return std::nullopt;
    }
    const auto folder = SetFolder(setName);
    if (!folder) {
        return std::nullopt;
    }
    for (unsigned n = 0; n < kMaxNumber; ++n) {
        const std::string target = *folder + NumberedName(name, n);
        if (PathExists(target)) {
            if (!isFolder && SameFileData(source, target)) {
                return target;
            }
            continue;
        }
        if (isFolder) {
            if (!journal_->MakeFolder(target)) {
                return std::nullopt;
            }
            if (!CopyFolderContents(source, target, *journal_)) {
                return std::nullopt;
            }
            return target;
        }
        if (CopyVerified(source, target, *journal_)) {
            return target;
        }
        if (!PathExists(target)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace vextral
