#include "fixer/JournalPlan.h"


namespace vextral {

ChangeJournal::Go JournalPlan::Begin(JournalRecord& record) {
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
            break;
        case JournalOp::MakeFolder:
            break;
    }
    return Go::Pretend;
}

std::string JournalPlan::Totals() const {
    const std::uint64_t needed = written_ > freed_ ? written_ - freed_ : 0;
    return std::to_string(lines_.size()) + " changes: " + std::to_string(renamed_) +
           " files renamed, " + std::to_string(rewritten_) + " archives rewritten, " +
           std::to_string(written_) + " bytes written, " + std::to_string(needed) +
           " bytes of space needed";
}

}  // namespace vextral
