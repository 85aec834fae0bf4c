#pragma once
// One change of the collection as the journal keeps it, and the text form of a journal: one
// line per header field, change, outcome and end, tab-separated with escaped fields, so a
// run killed half way leaves a file that reads up to its last whole line. No ROM data is
// ever written here, only names, sizes and CRC-32 values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vextral {

// What lies at a path: nothing, a file (its size and CRC-32) or a folder (the total size of
// its files and a CRC-32 over every relative name, size and CRC-32 in it).
struct PathState {
    enum class Kind { Absent, File, Folder };
    Kind kind = Kind::Absent;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;

    bool operator==(const PathState&) const = default;
    std::string Text() const;
    static std::optional<PathState> Parse(std::string_view text);
};

// Reads the path as it is now (files in chunks). Links are not followed inside a folder.
PathState StateOf(const std::string& path);

enum class JournalOp {
    Rename,      // path was renamed as target
    Exchange,    // path and target changed places (after: what path holds now)
    Rewrite,     // the archive path was written anew (detail: its member changes)
    Write,       // a file was written (or moved) to path, from target when copied
    Remove,      // the file or folder path was removed
    MakeFolder,  // the folder path was made
};

struct JournalRecord {
    enum class Status { Pending, Done, Failed };

    unsigned number = 0;
    JournalOp op = JournalOp::Write;
    std::string path;
    std::string target;
    std::string detail;
    PathState before;
    PathState after;   // when Done
    std::string kept;  // where the bytes path held before now are; empty: not kept
    Status status = Status::Pending;

    // The change in words, without states: what a plan shows and a journal listing repeats.
    std::string Words() const;
};

// A journal file read back.
struct JournalRun {
    std::string name;  // the file name without ".journal"
    std::string started;
    std::string command;
    std::string kind;
    bool backup = false;
    std::vector<JournalRecord> records;
    bool ended = false;
    std::string undoneBy;  // the undo run that reversed it; empty while not undone

    unsigned DoneCount() const;
};

// The lines the journal is written in; each ends with a line feed.
std::string HeaderLines(const JournalRun& run);
std::string ChangeLine(const JournalRecord& record);
std::string OutcomeLine(const JournalRecord& record);
std::string EndLine(std::string_view time);
std::string UndoneLine(std::string_view time, std::string_view undoRun);

// Parses a journal's text; a line cut short or not understood ends the reading there, as a
// killed run leaves it. Nothing when the text is not a journal.
std::optional<JournalRun> ParseJournal(std::string_view text);

// The local time as "2026-12-08 23:30:05", and as a name part with the milliseconds
// "20261208-233005123".
std::string JournalTime();
std::string JournalNameTime();

// Tabs, line ends and backslashes escaped so that every field stays on its line.
std::string EscapeField(std::string_view text);
std::string UnescapeField(std::string_view text);

}  // namespace vextral
