#include "fixer/ChangeJournal.h"

#include <map>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"

namespace vextral {
namespace {

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

// The library's transaction, watched: what it renames, replaces, removes and adds becomes the
// record's detail, and its Commit a change of the journal.
class JournaledTransaction : public ZipTransaction {
  public:
    JournaledTransaction(std::unique_ptr<ZipTransaction> inner, ChangeJournal& journal,
                         std::string zipPath)
        : inner_(std::move(inner)), journal_(journal), zipPath_(std::move(zipPath)) {}

    bool IsOpen() const override { return inner_->IsOpen(); }
    std::uint64_t MemberCount() const override { return inner_->MemberCount(); }
    std::optional<MemberInfo> Member(std::uint64_t index) const override {
        return inner_->Member(index);
    }
    bool Delete(std::uint64_t index) override {
        if (!inner_->Delete(index))
            return false;
        Touched(index).removed = true;
        return true;
    }
    bool Rename(std::uint64_t index, const std::string& newName) override {
        if (!inner_->Rename(index, newName))
            return false;
        Touched(index).newName = newName;
        return true;
    }
    bool Replace(std::uint64_t index, const std::string& file) override {
        if (!journal_.Pretends() && !inner_->Replace(index, file))
            return false;
        Touched(index).replaced = true;
        return true;
    }
    // A plan's files need not be there: what is added or replaced is only named.
    bool Add(const std::string& file, const std::string& memberName) override {
        if (!journal_.Pretends() && !inner_->Add(file, memberName))
            return false;
        added_.push_back(memberName);
        return true;
    }
    bool AddDeflated(std::shared_ptr<const DeflatedData> data,
                     const std::string& memberName) override {
        if (!journal_.Pretends() && !inner_->AddDeflated(std::move(data), memberName))
            return false;
        added_.push_back(memberName);
        return true;
    }
    bool Commit() override {
        JournalRecord record;
        record.op = JournalOp::Rewrite;
        record.path = zipPath_;
        record.detail = Detail();
        return journal_.Make(std::move(record), [this] { return inner_->Commit(); });
    }
    const std::string& ErrorText() const override { return inner_->ErrorText(); }

  private:
    struct Touch {
        std::string oldName;
        std::string newName;
        bool removed = false;
        bool replaced = false;
    };

    Touch& Touched(std::uint64_t index) {
        auto [entry, made] = touched_.try_emplace(index);
        if (made) {
            const auto member = inner_->Member(index);
            entry->second.oldName = member ? member->storedName : std::to_string(index);
        }
        return entry->second;
    }

    // "renamed 'a' as 'b', replaced 'c', removed 'd', added 'e'" in member order, adds last.
    std::string Detail() const {
        std::string text;
        const auto add = [&text](const std::string& part) {
            text += (text.empty() ? "" : ", ") + part;
        };
        for (const auto& [index, touch] : touched_) {
            if (touch.removed) {
                add("removed " + Quoted(touch.oldName));
                continue;
            }
            if (touch.replaced)
                add("replaced " + Quoted(touch.oldName));
            if (!touch.newName.empty() && touch.newName != touch.oldName)
                add("renamed " + Quoted(touch.oldName) + " as " + Quoted(touch.newName));
        }
        for (const std::string& name : added_)
            add("added " + Quoted(name));
        return text;
    }

    std::unique_ptr<ZipTransaction> inner_;
    ChangeJournal& journal_;
    std::string zipPath_;
    std::map<std::uint64_t, Touch> touched_;
    std::vector<std::string> added_;
};

}  // namespace

JournalRecord ChangeJournal::RecordOf(JournalOp op, std::string path, std::string target) {
    JournalRecord record;
    record.op = op;
    record.path = std::move(path);
    record.target = std::move(target);
    return record;
}

bool ChangeJournal::Make(JournalRecord record, const std::function<bool()>& change) {
    if (!Records())
        return change();
    record.before = Observe(record.path);
    switch (Begin(record)) {
        case Go::Refuse:
            return false;
        case Go::Pretend:
            return true;
        case Go::Proceed:
            break;
    }
    const bool made = change();
    record.status = made ? JournalRecord::Status::Done : JournalRecord::Status::Failed;
    if (made)
        record.after = record.op == JournalOp::Rename ? record.before : StateOf(record.path);
    End(record);
    return made;
}

bool ChangeJournal::Rename(const std::string& from, const std::string& to) {
    return Make(RecordOf(JournalOp::Rename, from, to), [&] { return RenameNoReplace(from, to); });
}

bool ChangeJournal::RemoveFile(const std::string& path) {
    return Make(RecordOf(JournalOp::Remove, path), [&] { return DeleteFileForced(path); });
}

bool ChangeJournal::RemoveTree(const std::string& folder) {
    return Make(RecordOf(JournalOp::Remove, folder), [&] { return RemoveFolderTree(folder); });
}

bool ChangeJournal::RemoveEmptyFolder(const std::string& folder) {
    // Only an empty folder is a change here; anything else fails untouched.
    if (Records() && !IsEmptyNow(folder))
        return false;
    return Make(RecordOf(JournalOp::Remove, folder),
                [&] { return vextral::RemoveEmptyFolder(folder); });
}

bool ChangeJournal::CopyFile(const std::string& from, const std::string& to, CopyMode mode) {
    return CopyPart(from, std::nullopt, to, mode);
}

bool ChangeJournal::CopyPart(const std::string& from, std::optional<FileRange> range,
                             const std::string& to, CopyMode mode) {
    if (Records() && mode == CopyMode::KeepExisting && PathExists(to))
        return false;  // fails untouched, as the copy itself would
    return Make(RecordOf(JournalOp::Write, to, from == to ? std::string() : from),
                [&] { return CopyFilePart(from, range, to, mode); });
}

bool ChangeJournal::MoveIn(const std::string& from, const std::string& to) {
    return PlaceNew(to, [&] { return RenameNoReplace(from, to); });
}

bool ChangeJournal::LinkIn(const std::string& from, const std::string& to) {
    return PlaceNew(to, [&] { return LinkFile(from, to); });
}

bool ChangeJournal::PlaceNew(const std::string& to, const std::function<bool()>& place) {
    // Neither way of placing replaces a file; one there fails untouched.
    if (Records() && PathExists(to))
        return false;
    return Make(RecordOf(JournalOp::Write, to), place);
}

bool ChangeJournal::Produce(const std::string& path, const std::function<bool()>& write) {
    return Make(RecordOf(JournalOp::Write, path), write);
}

bool ChangeJournal::Exchange(const std::string& first, const std::string& second) {
    return Make(RecordOf(JournalOp::Exchange, first, second),
                [&] { return ExchangePaths(first, second); });
}

bool ChangeJournal::MakeFolder(const std::string& folder) {
    if (!Records() || IsFolderNow(folder))
        return Pretends() || CreateFolder(folder);
    return Make(RecordOf(JournalOp::MakeFolder, folder), [&] { return CreateFolder(folder); });
}

bool ChangeJournal::MakeFolderTree(const std::string& folder) {
    if (!Records())
        return CreateFolderTree(folder);
    // Each missing folder from the top down, so that each is a change of its own.
    std::string path = folder;
    while (path.size() > 1 && path.back() == kSeparator)
        path.pop_back();
    std::vector<std::string> missing;
    for (std::string at = path; !at.empty() && !IsFolderNow(at);) {
        missing.push_back(at);
        const std::size_t slash = at.rfind(kSeparator);
        if (slash == std::string::npos || slash == 0)
            break;
        at.resize(slash);
    }
    for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
        if (!MakeFolder(*at))
            return false;
    }
    return !missing.empty() || IsFolderNow(path);
}

std::unique_ptr<ZipTransaction> ChangeJournal::OpenArchive(ZipLibrary& library,
                                                           const std::string& zipPath,
                                                           ZipOpenMode mode) {
    return std::make_unique<JournaledTransaction>(library.Open(zipPath, mode), *this, zipPath);
}

bool ChangeJournal::AddFilesByName(ZipLibrary& library, const std::string& zipPath,
                                   const std::vector<std::string>& files) {
    if (files.empty())
        return false;
    const auto archive = OpenArchive(library, zipPath, ZipOpenMode::CreateWhenMissing);
    for (const std::string& file : files) {
        if (!archive->Add(file, FileNamePart(file)))
            return false;
    }
    return archive->Commit();
}

}  // namespace vextral
