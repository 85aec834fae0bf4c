#include "app/core/JournalUndoRun.h"

#include "archive/ZipLibrary.h"
#include "fixer/JournalFolder.h"
#include "fixer/JournalUndo.h"
#include "fixer/JournalWriter.h"
#include "platform/FolderLockSet.h"

namespace vextral {

std::string RunTitle(const JournalRun& run) {
    return run.name + " (" + run.kind + ", " + run.command + ")";
}

std::string KilledRunText(const JournalRun& run) {
    return "The run " + RunTitle(run) + " was cut short after " + std::to_string(run.DoneCount()) +
           " changes.";
}

UndoReport UndoJournalRun(const std::string& programFolder, const std::string& name,
                          const std::string& command) {
    UndoReport report;
    const JournalFolder folder(programFolder);
    FolderLockSet locks;
    if (!locks.TryLockAll({{programFolder, LockMode::Exclusive}}).locked) {
        report.text =
            "Another Vextral process is working in '" + programFolder + "'; nothing was changed.";
        return report;
    }
    const auto run = name.empty() ? folder.LastUndoable() : folder.Read(name);
    if (!run) {
        report.text = name.empty() ? "There is no run to undo in '" + folder.Path() + "'."
                                   : "There is no run '" + name + "' in '" + folder.Path() + "'.";
        return report;
    }
    if (!run->undoneBy.empty()) {
        report.text = "The run " + run->name + " was undone by " + run->undoneBy + ".";
        return report;
    }
    JournalRun header;
    header.command = command;
    header.kind = "undo";
    header.backup = true;  // an undo keeps what it replaces, so that it can be undone
    JournalWriter journal(folder.Path(), std::move(header));
    if (!journal.IsOpen()) {
        report.text = "Can't write the journal in '" + folder.Path() + "'; nothing was changed.";
        return report;
    }
    ZipLibrary library;
    const UndoOutcome outcome = UndoRun(*run, journal, library.Load() ? &library : nullptr);
    library.Release();
    journal.Finish();
    report.text = "Undid run " + RunTitle(*run) + ": " + std::to_string(outcome.undone) + " of " +
                  std::to_string(run->DoneCount()) + " changes taken back.\n";
    if (!folder.MarkUndone(run->name, journal.Name()))
        report.text += "Can't mark the run " + run->name + " as undone.\n";
    for (const std::string& line : outcome.skipped)
        report.text += "Skipped " + line + "\n";
    for (const std::string& line : outcome.failed)
        report.text += "Failed " + line + "\n";
    report.text += "The undo is run " + journal.Name() + "; 'vextral undo " + journal.Name() +
                   "' takes it back.\n";
    report.status =
        outcome.skipped.empty() && outcome.failed.empty() ? UndoStatus::Clean : UndoStatus::Skipped;
    return report;
}

}  // namespace vextral
