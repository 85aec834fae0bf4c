// The journal's text: every field survives the trip, and a file a killed run cut short reads
// up to its last whole line.

#include "fixer/JournalRecord.h"

#include <gtest/gtest.h>

namespace vextral {
namespace {

JournalRecord Record(unsigned number, JournalOp op, std::string path) {
    JournalRecord record;
    record.number = number;
    record.op = op;
    record.path = std::move(path);
    return record;
}

TEST(JournalRecordTest, FieldsSurviveTheTextAndACutFileReadsToItsLastWholeLine) {
    JournalRun header;
    header.started = "2026-12-08 23:30:05";
    header.command = "vextral scan --select 'a\tb'";
    header.kind = "scan";
    header.backup = true;
    JournalRecord odd = Record(1, JournalOp::Rename, "/roms/we\tird\\name\n.zip");
    odd.target = "/roms/plain.zip";
    odd.before = {PathState::Kind::File, 1234, 0x89abcdef};
    odd.kept = "/kept/1";
    odd.detail = "renamed 'a' as 'b'";
    odd.status = JournalRecord::Status::Done;
    odd.after = odd.before;
    JournalRecord failed = Record(2, JournalOp::Remove, "/roms/gone");
    failed.before = {PathState::Kind::Folder, 0, 0};
    failed.status = JournalRecord::Status::Failed;
    const JournalRecord pending = Record(3, JournalOp::MakeFolder, "/roms/new");
    const std::string text = HeaderLines(header) + ChangeLine(odd) + OutcomeLine(odd) +
                             ChangeLine(failed) + OutcomeLine(failed) + ChangeLine(pending);

    struct Case {
        std::string text;
        std::size_t records;
        bool ended;
        std::string undoneBy;
    };
    const std::vector<Case> cases{
        {text + EndLine("t"), 3, true, ""},
        {text + EndLine("t") + UndoneLine("t", "undo-run"), 3, true, "undo-run"},
        {text, 3, false, ""},
        // Killed while writing a line: it is not read, an undo's mark after it is.
        {text + "done\t3\tfi", 3, false, ""},
        {text + "done\t3\tfi\n" + UndoneLine("t", "u"), 3, false, "u"},
        {text.substr(0, text.find("change\t2")) + "change\t2\tremo", 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto run = ParseJournal(c.text);
        ASSERT_TRUE(run.has_value());
        EXPECT_EQ(run->command, header.command);
        EXPECT_TRUE(run->backup);
        ASSERT_EQ(run->records.size(), c.records);
        EXPECT_EQ(run->ended, c.ended);
        EXPECT_EQ(run->undoneBy, c.undoneBy);
        const JournalRecord& first = run->records[0];
        EXPECT_EQ(first.path, odd.path);
        EXPECT_EQ(first.target, odd.target);
        EXPECT_EQ(first.before, odd.before);
        EXPECT_EQ(first.after, odd.after);
        EXPECT_EQ(first.kept, odd.kept);
        EXPECT_EQ(first.detail, odd.detail);
        EXPECT_EQ(first.status, JournalRecord::Status::Done);
        if (c.records == 3) {
            EXPECT_EQ(run->records[1].status, JournalRecord::Status::Failed);
            EXPECT_EQ(run->records[2].status, JournalRecord::Status::Pending);
            EXPECT_EQ(run->DoneCount(), 1u);
        }
    }
    EXPECT_FALSE(ParseJournal("not a journal\n").has_value());
}

}  // namespace
}  // namespace vextral
