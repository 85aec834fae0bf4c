#pragma once
// What the window and the command line share about taking a run back: finding it, the undo's
// own journal, the undone mark and the text that tells how it went.

#include <string>

#include "fixer/JournalRecord.h"

namespace vextral {

enum class UndoStatus { NothingDone, Clean, Skipped };

struct UndoReport {
    UndoStatus status = UndoStatus::NothingDone;
    std::string text;  // why nothing was done, or what was taken back, skipped and failed
};

// "NAME (kind, command)".
std::string RunTitle(const JournalRun& run);
// The one message about a run killed half way.
std::string KilledRunText(const JournalRun& run);

// Takes back the run named (the last undoable one when name is empty) from the journals of
// programFolder, as a run of its own that command started. Holds the program folder's lock
// meanwhile: another process changing files makes it do nothing.
UndoReport UndoJournalRun(const std::string& programFolder, const std::string& name,
                          const std::string& command);

}  // namespace vextral
