#include "fixer/ProcessScratch.h"

#include <stdlib.h>

#include <cerrno>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "fixer/BackupStore.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

constexpr int kCreateAttempts = 100;
constexpr unsigned kMaxNumber = 100000;

std::string TempFolder(const std::string& programFolder) {
    return programFolder + kTempZipFolderName + kSeparator;
}

bool SameContent(const std::string& a, const std::string& b) {
    return FileLength(a) == FileLength(b) && FileCrc(a) == FileCrc(b);
}

// Whether the leftovers folder holds this file's content under its name or a numbered one.
bool AlreadyKept(const std::string& file, const std::string& keptFolder, const std::string& name) {
    for (unsigned n = 0; n < kMaxNumber; ++n) {
        const std::string candidate = keptFolder + BackupStore::NumberedName(name, n);
        if (!PathExists(candidate))
            return false;
        if (IsRegularFile(candidate) && SameContent(file, candidate))
            return true;
    }
    return false;
}

struct Kept {
    unsigned files = 0;
    bool all = true;  // nothing holding data was left behind
};

// Moves a file holding data to the leftovers, never over another file and never twice.
void KeepFile(const std::string& file, const std::string& programFolder, Kept& kept) {
    if (IsSymbolicLink(file) || !IsRegularFile(file) || FileLength(file).value_or(0) == 0)
        return;  // holds no data of its own
    const BackupStore store(programFolder);
    const auto keptFolder = store.SetFolder(kScratchLeftoversName);
    const std::string name = FileNamePart(file);
    if (keptFolder && AlreadyKept(file, *keptFolder, name)) {
        (void)DeleteFileForced(file);
        ++kept.files;
        return;
    }
    if (store.MoveFileIn(file, kScratchLeftoversName, name)) {
        ++kept.files;
    } else {
        kept.all = false;
    }
}

void KeepTree(const std::string& folder, const std::string& programFolder, Kept& kept) {
    for (const DirEntry& entry : ListFolder(folder)) {
        const std::string path = folder + kSeparator + entry.name;
        if (entry.isFolder && !IsSymbolicLink(path)) {
            KeepTree(path, programFolder, kept);
        } else {
            KeepFile(path, programFolder, kept);
        }
    }
}

// Keeps what the folder holds, then removes it; it stays when something could not be kept.
unsigned KeepAndRemove(const std::string& folder, const std::string& programFolder) {
    Kept kept;
    KeepTree(folder, programFolder, kept);
    if (kept.all)
        (void)RemoveFolderTree(folder);
    return kept.files;
}

}  // namespace

ProcessScratch::ProcessScratch(const std::string& programFolder) : programFolder_(programFolder) {
    const std::string temporary = TempFolder(programFolder_);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        if (!CreateFolderTree(temporary))
            return;
        std::string folder = temporary + "run-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr) {
            // An ending process may have removed the empty temporary folder just now.
            if (errno == ENOENT)
                continue;
            return;
        }
        // Between mkdtemp and the lock a sweeping process may take the folder for one
        // whose process has ended and remove it: then make another.
        const LockResult locked = lock_.TryLock(folder, LockMode::Exclusive);
        if (locked == LockResult::Unavailable || lock_.StillNames(folder)) {
            // Without folder locks nobody can tell this folder from an ended one, and
            // nobody removes it but this process.
            path_ = folder + kSeparator;
            return;
        }
        lock_.Release();
    }
}

ProcessScratch::~ProcessScratch() {
    (void)Finish();
}

unsigned ProcessScratch::Finish() {
    if (path_.empty())
        return 0;
    const unsigned kept = KeepAndRemove(path_.substr(0, path_.size() - 1), programFolder_);
    path_.clear();
    lock_.Release();
    // Only an empty temporary folder goes; another process's folder keeps it.
    (void)RemoveEmptyFolder(TempFolder(programFolder_));
    return kept;
}

unsigned ProcessScratch::SweepEnded(const std::string& programFolder) {
    const std::string temporary = TempFolder(programFolder);
    unsigned kept = 0;
    for (const DirEntry& entry : ListFolder(temporary)) {
        const std::string path = temporary + entry.name;
        if (!entry.isFolder || IsSymbolicLink(path)) {
            // Loose files are an earlier version's; no running process owns them.
            Kept file;
            KeepFile(path, programFolder, file);
            if (file.all)
                (void)DeleteFileForced(path);
            kept += file.files;
            continue;
        }
        FolderLock owner;
        // Busy: its process runs. Unavailable: nobody can tell, so it stays.
        if (owner.TryLock(path, LockMode::Exclusive) != LockResult::Locked ||
            !owner.StillNames(path)) {
            continue;
        }
        kept += KeepAndRemove(path, programFolder);
    }
    return kept;
}

std::string ProcessScratch::LeftoversFolder(const std::string& programFolder) {
    return programFolder + "backup.vxt" + kSeparator + kScratchLeftoversName + kSeparator;
}

}  // namespace vextral
