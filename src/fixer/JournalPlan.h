#pragma once
// A dry run's journal: each change is described in the journal's words and reported made
// without touching anything, so the plan comes from the very calls the real run makes.

#include <cstdint>
#include <string>
#include <vector>

#include "fixer/ChangeJournal.h"

namespace vextral {

class JournalPlan : public ChangeJournal {
  public:
    bool Pretends() const override { return true; }

    const std::vector<std::string>& Lines() const { return lines_; }
    // "N files renamed, N archives rewritten, N bytes written, N bytes of space needed".
    std::string Totals() const;

  protected:
    bool Records() const override { return true; }
    Go Begin(JournalRecord& record) override;

  private:
    std::vector<std::string> lines_;
    unsigned renamed_ = 0;
    unsigned rewritten_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t freed_ = 0;
};

}  // namespace vextral
