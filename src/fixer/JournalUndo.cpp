#include "fixer/JournalUndo.h"

#include "fixer/BackupStore.h"
#include "platform/FileSystem.h"

namespace vextral {
namespace {

using Kind = PathState::Kind;

class Undo {
  public:
    Undo(ChangeJournal& journal, UndoOutcome& outcome) : journal_(journal), outcome_(outcome) {}

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
        if (record.kept.empty() || !PathExists(record.kept)) {
            Skip(record.path, "what it held before was not kept (Backup was off)");
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

    ChangeJournal& journal_;
    UndoOutcome& outcome_;
};

}  // namespace

UndoOutcome UndoRun(const JournalRun& run, ChangeJournal& journal) {
    UndoOutcome outcome;
    Undo undo(journal, outcome);
    for (auto record = run.records.rbegin(); record != run.records.rend(); ++record)
        undo.Step(*record);
    return outcome;
}

}  // namespace vextral
