#pragma once
// The journal folder of the program folder: the runs' journals, oldest first, read back,
// pruned, and marked when undone.

#include <optional>
#include <string>
#include <vector>

#include "fixer/JournalRecord.h"

namespace vextral {

class JournalFolder {
  public:
    // programFolder + "journal/".
    explicit JournalFolder(const std::string& programFolder);

    const std::string& Path() const { return folder_; }
    // The runs' names, oldest first.
    std::vector<std::string> RunNames() const;
    std::optional<JournalRun> Read(const std::string& name) const;
    // Removes the oldest runs (journal and kept folder) beyond the newest keep.
    void Prune(unsigned keep) const;
    // Appends the undone line to the run's journal.
    [[nodiscard]] bool MarkUndone(const std::string& name, const std::string& undoRun) const;

    // The newest run that changed something and is neither undone nor an undo itself.
    std::optional<JournalRun> LastUndoable() const;
    // The runs without their end whose process is gone (killed, or the power went), not
    // undone; the process's own runs never count.
    std::vector<JournalRun> KilledRuns() const;

  private:
    std::string folder_;
};

}  // namespace vextral
