#pragma once
// Reverses a run's changes, newest first. Each step first checks that the disk holds what the
// run left there (size and CRC-32 of a file, every file of a folder); anything changed since
// is skipped and named, never overwritten.

#include <string>
#include <vector>

#include "archive/ZipLibrary.h"
#include "fixer/ChangeJournal.h"
#include "fixer/JournalRecord.h"

namespace vextral {

struct UndoOutcome {
    unsigned undone = 0;
    std::vector<std::string> skipped;  // "'path': why", in the order met
    std::vector<std::string> failed;
};

// Every step is a change of journal (the undo's own journal, or a plan). With library, an
// archive whose members were only renamed is renamed back even where the archive as it was
// was not kept (Backup off); its bytes then differ, its members are those it had.
UndoOutcome UndoRun(const JournalRun& run, ChangeJournal& journal, ZipLibrary* library = nullptr);

}  // namespace vextral
