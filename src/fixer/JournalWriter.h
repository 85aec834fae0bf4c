#pragma once
// The journal of one run: a file in the journal folder named by the run's start time and
// process, its header, one line per change written and flushed to the disk before the change
// is made and its outcome after, and an end line. With Backup on, the bytes a change removes
// or replaces are first copied into the run's own kept folder beside the file; a change whose
// copy fails is not made.

#include <string>

#include "fixer/ChangeJournal.h"
#include "platform/FileDescriptor.h"

namespace vextral {

class JournalWriter : public ChangeJournal {
  public:
    // Opens a new journal in folder (made when missing) for a run described by header (its
    // started field and name are filled here). Without a journal file every change is refused.
    JournalWriter(std::string folder, JournalRun header);
    // Writes the end line, unless Finish did.
    ~JournalWriter() override;

    bool IsOpen() const { return file_.IsOpen(); }
    const std::string& Name() const { return run_.name; }
    const std::string& Path() const { return path_; }
    unsigned Changes() const { return changes_; }
    // The end line: the run has ended.
    void Finish();

  protected:
    bool Records() const override { return true; }
    Go Begin(JournalRecord& record) override;
    void End(JournalRecord& record) override;

  private:
    // A copy of what lies at record.path in the kept folder; false when it could not be made.
    bool Keep(JournalRecord& record);
    bool Append(const std::string& line, bool sync);

    std::string folder_;
    std::string path_;
    JournalRun run_;
    FileDescriptor file_{-1};
    unsigned number_ = 0;
    unsigned changes_ = 0;
    bool finished_ = false;
};

}  // namespace vextral
