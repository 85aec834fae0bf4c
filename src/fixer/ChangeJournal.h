#pragma once
// Every change a fix, a rebuild, a merge or an undo makes to the collection goes through one
// of these primitives. This base makes each change directly; a journal that records them
// (JournalWriter) or only plans them (JournalPlan) hooks in around each one, so the record,
// the plan and the change come from the same call.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ZipLibrary.h"
#include "fixer/JournalRecord.h"
#include "platform/FileSystem.h"

namespace vextral {

class ChangeJournal {
  public:
    ChangeJournal() = default;
    virtual ~ChangeJournal() = default;
    ChangeJournal(const ChangeJournal&) = delete;
    ChangeJournal& operator=(const ChangeJournal&) = delete;

    // RenameNoReplace.
    [[nodiscard]] bool Rename(const std::string& from, const std::string& to);
    // DeleteFileForced, RemoveFolderTree and RemoveEmptyFolder.
    [[nodiscard]] bool RemoveFile(const std::string& path);
    [[nodiscard]] bool RemoveTree(const std::string& folder);
    [[nodiscard]] bool RemoveEmptyFolder(const std::string& folder);
    // CopyFileTo and CopyFilePart.
    [[nodiscard]] bool CopyFile(const std::string& from, const std::string& to, CopyMode mode);
    [[nodiscard]] bool CopyPart(const std::string& from, std::optional<FileRange> range,
                                const std::string& to, CopyMode mode);
    // A file of ours (a scratch extraction) renamed, or linked, to path, which it must not
    // replace.
    [[nodiscard]] bool MoveIn(const std::string& from, const std::string& to);
    [[nodiscard]] bool LinkIn(const std::string& from, const std::string& to);
    // A new file written to path by write (an extraction, say), replacing what is there.
    [[nodiscard]] bool Produce(const std::string& path, const std::function<bool()>& write);
    // ExchangePaths.
    [[nodiscard]] bool Exchange(const std::string& first, const std::string& second);
    // CreateFolder and CreateFolderTree; a folder already there is no change.
    [[nodiscard]] bool MakeFolder(const std::string& folder);
    [[nodiscard]] bool MakeFolderTree(const std::string& folder);

    // The library's transaction on the archive, whose Commit is a change of this journal.
    [[nodiscard]] std::unique_ptr<ZipTransaction> OpenArchive(ZipLibrary& library,
                                                              const std::string& zipPath,
                                                              ZipOpenMode mode);
    // ZipLibrary::AddFiles with every file stored under its file name alone.
    [[nodiscard]] bool AddFilesByName(ZipLibrary& library, const std::string& zipPath,
                                      const std::vector<std::string>& files);

    // True for a plan: no change is made, each is reported made. A caller that checks what
    // a change left on disk takes the change as made instead.
    virtual bool Pretends() const { return false; }

    // What lies at path as this journal sees it: for a plan, the folders it pretended to make
    // are there.
    virtual PathState Observe(const std::string& path) const { return StateOf(path); }
    virtual bool IsFolderNow(const std::string& path) const { return IsFolder(path); }
    // Whether the folder holds nothing; for a plan, what it pretended to remove is gone.
    virtual bool IsEmptyNow(const std::string& folder) const { return ListFolder(folder).empty(); }

    // Used by the archive transactions this journal hands out.
    [[nodiscard]] bool Make(JournalRecord record, const std::function<bool()>& change);

  protected:
    static JournalRecord RecordOf(JournalOp op, std::string path, std::string target = {});

    enum class Go { Proceed, Refuse, Pretend };
    // Whether Begin and End are wanted; the states they read cost a pass over the data.
    virtual bool Records() const { return false; }
    // Before the change: numbered, the bytes kept, the record on disk. Refuse: the change is
    // not made and fails; Pretend: not made, and reported made.
    virtual Go Begin(JournalRecord& /*record*/) { return Go::Proceed; }
    virtual void End(JournalRecord& /*record*/) {}

  private:
    // A new file at to, made by place (a rename or a link of a file of ours).
    bool PlaceNew(const std::string& to, const std::function<bool()>& place);
};

// A journal a unit is handed, or its own that makes changes directly.
class JournalSlot {
  public:
    void Set(ChangeJournal* journal) { set_ = journal; }
    ChangeJournal& operator*() { return set_ != nullptr ? *set_ : *direct_; }
    ChangeJournal* operator->() { return &**this; }

  private:
    std::unique_ptr<ChangeJournal> direct_ = std::make_unique<ChangeJournal>();
    ChangeJournal* set_ = nullptr;
};

}  // namespace vextral
