#include "fixer/JournalUndo.h"

#include <optional>
#include <utility>

#include "fixer/BackupStore.h"
#include "platform/FileSystem.h"

namespace vextral {
namespace {

using Kind = PathState::Kind;

// The member renames of an archive rewrite's detail ("renamed 'a' as 'b', ..."), as pairs of
// old and new names; nothing when it holds anything else.
std::optional<std::vector<std::pair<std::string, std::string>>> MemberRenames(
    std::string_view detail) {
    std::vector<std::pair<std::string, std::string>> renames;
    constexpr std::string_view kRenamed = "renamed '";
    constexpr std::string_view kAs = "' as '";
    while (!detail.empty()) {
        if (!detail.starts_with(kRenamed))
            return std::nullopt;
        detail.remove_prefix(kRenamed.size());
        const std::size_t as = detail.find(kAs);
        if (as == std::string_view::npos)
            return std::nullopt;
        const std::string oldName(detail.substr(0, as));
        detail.remove_prefix(as + kAs.size());
        const std::size_t end = detail.find("', renamed '");
        const std::size_t cut = end == std::string_view::npos ? detail.size() - 1 : end;
        if (end == std::string_view::npos && !detail.ends_with('\''))
            return std::nullopt;
        renames.emplace_back(oldName, std::string(detail.substr(0, cut)));
        detail.remove_prefix(end == std::string_view::npos ? detail.size() : end + 3);
    }
    if (renames.empty())
        return std::nullopt;
    return renames;
}

class Undo {
  public:
    Undo(ChangeJournal& journal, ZipLibrary* library, UndoOutcome& outcome)
        : journal_(journal), library_(library), outcome_(outcome) {}

    void Step(const JournalRecord& record) {
        JournalRecord step = record;
        if (record.status == JournalRecord::Status::Failed)
            return;
        if (record.status == JournalRecord::Status::Pending && !Settle(step))
            return;
        switch (step.op) {
            case JournalOp::Rename:
                UndoRename(step);
                break;
            case JournalOp::Exchange:
                UndoExchange(step);
                break;
            case JournalOp::MakeFolder:
                UndoMakeFolder(step);
                break;
            case JournalOp::Rewrite:
            case JournalOp::Write:
            case JournalOp::Remove:
                UndoContent(step);
                break;
        }
    }

  private:
    // A change the run began but did not see end: made or not, as the disk says. False when
    // there is nothing to do or it cannot be told.
    bool Settle(JournalRecord& record) {
        if (record.op == JournalOp::Rename) {
            if (!PathExists(record.path) && StateOf(record.target) == record.before) {
                record.after = record.before;
                return true;
            }
        } else if (record.op == JournalOp::Remove && !PathExists(record.path) &&
                   record.before.kind != Kind::Absent) {
            record.after = PathState{};
            return true;
        }
        if (StateOf(record.path) != record.before)
            Skip(record.path, "the run was cut short during this change; left as it is");
        return false;
    }

    void Skip(const std::string& path, const std::string& why) {
        outcome_.skipped.push_back("'" + path + "': " + why);
    }
    void Fail(const std::string& path, const std::string& why) {
        outcome_.failed.push_back("'" + path + "': " + why);
    }
    void Made(bool made, const std::string& path, const std::string& why) {
        if (made)
            ++outcome_.undone;
        else
            Fail(path, why);
    }

    void UndoRename(const JournalRecord& record) {
        if (PathExists(record.path) || IsSymbolicLink(record.path)) {
            Skip(record.path, "something new bears the old name");
            return;
        }
        if (StateOf(record.target) != record.after) {
            Skip(record.target, "changed since the run");
            return;
        }
        Made(journal_.Rename(record.target, record.path), record.target,
             "could not be renamed back");
    }

    void UndoExchange(const JournalRecord& record) {
        if (StateOf(record.path) != record.after || StateOf(record.target) != record.before) {
            Skip(record.path, "changed since the run");
            return;
        }
        Made(journal_.Exchange(record.path, record.target), record.path,
             "could not change places back");
    }

    void UndoMakeFolder(const JournalRecord& record) {
        if (!IsFolder(record.path)) {
            ++outcome_.undone;  // gone already: nothing to take back
            return;
        }
        if (!ListFolder(record.path).empty()) {
            Skip(record.path, "holds what was put there since the run");
            return;
        }
        Made(journal_.RemoveEmptyFolder(record.path), record.path, "could not be removed");
    }

    void UndoContent(const JournalRecord& record) {
        const PathState now = StateOf(record.path);
        if (now != record.after) {
            Skip(record.path, "changed since the run");
            return;
        }
        if (record.before.kind == Kind::Absent) {
            const bool removed = now.kind == Kind::Folder && !IsSymbolicLink(record.path)
                                     ? journal_.RemoveTree(record.path)
                                     : journal_.RemoveFile(record.path);
            Made(removed, record.path, "could not be removed");
            return;
        }
        if (record.kept.empty()) {
            if (record.op == JournalOp::Rewrite && now.kind == Kind::File && RenameBack(record))
                return;
            Skip(record.path, "what it held before was not kept (Backup was off)");
            return;
        }
        if (!PathExists(record.kept)) {
            Skip(record.path, "the copy of what it held before is gone");
            return;
        }
        bool restored = false;
        if (record.before.kind == Kind::File) {
            restored = journal_.CopyFile(
                record.kept, record.path,
                now.kind == Kind::Absent ? CopyMode::KeepExisting : CopyMode::ReplaceExisting);
        } else if (now.kind == Kind::Absent) {
            restored = journal_.MakeFolder(record.path) &&
                       BackupStore::CopyFolderContents(record.kept, record.path, journal_);
        }
        if (restored && !journal_.Pretends() && StateOf(record.path) != record.before) {
            Fail(record.path, "put back, but not as it was");
            return;
        }
        Made(restored, record.path, "could not be put back");
    }

    // The archive's members take their old names again, in one transaction; false when the
    // rewrite did more than rename.
    bool RenameBack(const JournalRecord& record) {
        const auto renames = MemberRenames(record.detail);
        if (library_ == nullptr || !renames)
            return false;
        const auto archive = journal_.OpenArchive(*library_, record.path, ZipOpenMode::Existing);
        std::vector<std::pair<std::uint64_t, std::string>> steps;
        for (const auto& [oldName, newName] : *renames) {
            for (std::uint64_t i = 0; i < archive->MemberCount(); ++i) {
                const auto member = archive->Member(i);
                if (member && member->storedName == newName)
                    steps.emplace_back(i, oldName);
            }
        }
        // Through names no member bears, so that swapped names pass each other.
        bool ok = steps.size() == renames->size();
        for (std::size_t k = 0; ok && k < steps.size(); ++k)
            ok = archive->Rename(steps[k].first, "vxt-undo-" + std::to_string(k));
        for (std::size_t k = 0; ok && k < steps.size(); ++k)
            ok = archive->Rename(steps[k].first, steps[k].second);
        Made(ok && archive->Commit(), record.path, "its members could not be renamed back");
        return true;
    }

    ChangeJournal& journal_;
    ZipLibrary* library_;
    UndoOutcome& outcome_;
};

}  // namespace

UndoOutcome UndoRun(const JournalRun& run, ChangeJournal& journal, ZipLibrary* library) {
    UndoOutcome outcome;
    Undo undo(journal, library, outcome);
    for (auto record = run.records.rbegin(); record != run.records.rend(); ++record)
        undo.Step(*record);
    return outcome;
}

}  // namespace vextral
