#pragma once
// A dry run's journal: each change is described in the journal's words and reported made
// without touching anything, so the plan comes from the very calls the real run makes.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fixer/ChangeJournal.h"

namespace vextral {

class JournalPlan : public ChangeJournal {
  public:
    bool Pretends() const override { return true; }
    PathState Observe(const std::string& path) const override;
    bool IsFolderNow(const std::string& path) const override;
    bool IsEmptyNow(const std::string& folder) const override;

    const std::vector<std::string>& Lines() const { return lines_; }
    // "N files renamed, N archives rewritten, N bytes written, N bytes of space needed".
    std::string Totals() const;

  protected:
    bool Records() const override { return true; }
    Go Begin(JournalRecord& record) override;

  private:
    // A path as it would be named after the renames pretended so far.
    std::string Renamed(std::string path) const;

    std::vector<std::string> lines_;
    std::map<std::string, std::string> movedAway_;  // old name -> new name
    std::set<std::string> renamedMembers_;          // archive path + the rename's words
    std::set<std::string> madeFolders_;
    std::set<std::string> removed_;
    unsigned renamed_ = 0;
    unsigned rewritten_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t freed_ = 0;
};

}  // namespace vextral
