#pragma once
// What one repair did: whether it was made, every file, folder or member it changed (or
// tried to change), and why not when it was not. The caller tells the collection index about
// each changed path, and a journal can record each change as it stands.

#include <string>
#include <vector>

namespace vextral {

enum class FixStatus {
    NothingToDo,  // the finding needs no repair here, or its option is off
    Declined,     // the user answered No (or Stop)
    Done,
    Failed,  // tried; what failed was undone or left as it was
};

enum class ChangeKind { Renamed, Rewritten, Removed, Added };

struct FileChange {
    ChangeKind kind = ChangeKind::Rewritten;
    std::string path;     // the file, folder or archive
    std::string member;   // the stored name of the member of archive path; empty for a file
    std::string newName;  // Renamed: the new path, or in an archive the member's new name

    bool operator==(const FileChange&) const = default;
};

struct [[nodiscard]] FixResult {
    FixStatus status = FixStatus::NothingToDo;
    // Made when Done; after a failure these may have been touched and put back.
    std::vector<FileChange> changes;
    std::string reason;  // why not Done; empty when nothing was to be done

    bool Done() const { return status == FixStatus::Done; }
    void Add(ChangeKind kind, std::string path, std::string member = {}, std::string newName = {}) {
        changes.push_back({kind, std::move(path), std::move(member), std::move(newName)});
    }
    // Done when made, otherwise Failed with the reason.
    void Finish(bool made, std::string whyNot) {
        status = made ? FixStatus::Done : FixStatus::Failed;
        if (!made)
            reason = std::move(whyNot);
    }
};

}  // namespace vextral
