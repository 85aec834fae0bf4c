#include "fixer/JournalPlan.h"

namespace vextral {

std::string JournalPlan::Renamed(std::string path) const {
    // Each step follows one rename; a name renamed back and forth cannot loop for ever.
    for (std::size_t step = 0; step <= movedAway_.size(); ++step) {
        bool moved = false;
        for (const auto& [from, to] : movedAway_) {
            if (path == from || (path.starts_with(from) && path[from.size()] == kSeparator)) {
                path = to + path.substr(from.size());
                moved = true;
                break;
            }
        }
        if (!moved)
            break;
    }
    return path;
}

ChangeJournal::Go JournalPlan::Begin(JournalRecord& record) {
    // A check that runs again after a pretended rename still finds the old name, which the
    // real run no longer does: the same rename is not planned twice.
    if (record.op == JournalOp::Rename && movedAway_.contains(record.path))
        return Go::Pretend;
    if (record.op == JournalOp::Rewrite && record.detail.starts_with("renamed ") &&
        record.detail.find(", ") == std::string::npos &&
        !renamedMembers_.insert(record.path + "\n" + record.detail).second) {
        return Go::Pretend;
    }
    // The real run finds what a pretended rename moved under its new name.
    record.path = Renamed(record.path);
    if (record.op == JournalOp::Rename) {
        movedAway_.erase(record.target);
        movedAway_[record.path] = record.target;
    } else {
        if (record.op != JournalOp::Exchange)
            record.target = Renamed(record.target);
        movedAway_.erase(record.path);
    }
    record.number = static_cast<unsigned>(lines_.size() + 1);
    lines_.push_back(record.Words());
    switch (record.op) {
        case JournalOp::Rename:
        case JournalOp::Exchange:
            ++renamed_;
            break;
        case JournalOp::Rewrite:
            // The new archive is written beside the old one: at most the old one's size more,
            // besides what is added (counted where its file is written).
            ++rewritten_;
            written_ += record.before.size;
            break;
        case JournalOp::Write:
            if (!record.target.empty())
                written_ += StateOf(record.target).size;
            freed_ += record.before.size;
            break;
        case JournalOp::Remove:
            freed_ += record.before.size;
            removed_.insert(record.path);
            break;
        case JournalOp::MakeFolder:
            madeFolders_.insert(record.path);
            break;
    }
    return Go::Pretend;
}

PathState JournalPlan::Observe(const std::string& path) const {
    if (madeFolders_.contains(path))
        return PathState{PathState::Kind::Folder, 0, 0};
    return StateOf(path);
}

bool JournalPlan::IsFolderNow(const std::string& path) const {
    return madeFolders_.contains(path) || IsFolder(path);
}

bool JournalPlan::IsEmptyNow(const std::string& folder) const {
    for (const DirEntry& entry : ListFolder(folder)) {
        if (!removed_.contains(folder + kSeparator + entry.name))
            return false;
    }
    return true;
}

std::string JournalPlan::Totals() const {
    const std::uint64_t needed = written_ > freed_ ? written_ - freed_ : 0;
    return std::to_string(lines_.size()) + " changes: " + std::to_string(renamed_) +
           " files renamed, " + std::to_string(rewritten_) + " archives rewritten, " +
           std::to_string(written_) + " bytes written, " + std::to_string(needed) +
           " bytes of space needed";
}

}  // namespace vextral
