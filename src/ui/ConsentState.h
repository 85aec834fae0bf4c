#pragma once
// The consent state of one scan run: per kind of fix a decision and an answered-for-all
// flag, plus the run's stop request. Every fixer asks through Confirm.

#include <array>
#include <string>

#include "ui/Dialogs.h"
#include "ui/ScanOptions.h"

namespace vextral {

enum class FixKind { Spelling, Length, Unneeded, Name };

class ConsentState {
  public:
    // Start of a run: decisions from FixSpelling, FixLength, FixUnneeded and FixName, no
    // answered-for-all flags, no stop.
    void Reset(const ScanOptions& options);

    // The confirmation protocol of one fix whose option is on. With ask set and the kind not
    // answered for all, the question is put to the user. Returns whether to make the fix;
    // Stop sets the run's stop request and returns false; Closed keeps the decision in force.
    bool Confirm(FixKind kind, bool ask, Dialogs& dialogs, const std::string& caption,
                 const std::string& question);

    bool Decision(FixKind kind) const { return decision_[Index(kind)]; }
    bool AnsweredForAll(FixKind kind) const { return answeredForAll_[Index(kind)]; }

    bool StopRequested() const { return stopRequested_; }
    void RequestStop() { stopRequested_ = true; }

  private:
    static std::size_t Index(FixKind kind) { return static_cast<std::size_t>(kind); }

    std::array<bool, 4> decision_{};
    std::array<bool, 4> answeredForAll_{};
    bool stopRequested_ = false;
};

}  // namespace vextral
