#include "fixer/JournalRecord.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "archive/Crc32.h"
#include "platform/FileSystem.h"

namespace vextral {
namespace {

constexpr std::string_view kMagic = "vextral-journal\t1";

struct OpName {
    JournalOp op;
    std::string_view name;
};
constexpr OpName kOpNames[] = {
    {JournalOp::Rename, "rename"},   {JournalOp::Exchange, "exchange"},
    {JournalOp::Rewrite, "rewrite"}, {JournalOp::Write, "write"},
    {JournalOp::Remove, "remove"},   {JournalOp::MakeFolder, "mkdir"},
};

std::string_view NameOf(JournalOp op) {
    for (const OpName& entry : kOpNames) {
        if (entry.op == op)
            return entry.name;
    }
    return "write";
}

std::optional<JournalOp> OpNamed(std::string_view name) {
    for (const OpName& entry : kOpNames) {
        if (entry.name == name)
            return entry.op;
    }
    return std::nullopt;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

template <class Number>
std::optional<Number> ParseNumber(std::string_view text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Every file and folder below folder in byte order of names, as "relative\tsize\tcrc" lines.
void AddTreeLines(const std::string& folder, const std::string& relative, std::string& lines,
                  std::uint64_t& total) {
    for (const DirEntry& entry : ListFolder(folder)) {
        const std::string path = folder + kSeparator + entry.name;
        const std::string name = relative + entry.name;
        if (IsSymbolicLink(path) && entry.isFolder) {
            lines += name + "\tlink\n";
        } else if (entry.isFolder) {
            lines += name + "/\n";
            AddTreeLines(path, name + "/", lines, total);
        } else if (entry.IsFile()) {
            const auto data = FileSizeAndCrc(path);
            const FileData file = data.value_or(FileData{});
            total += file.size;
            char text[40];
            std::snprintf(text, sizeof text, "\t%" PRIu64 "\t%08x\n", file.size, file.crc);
            lines += name + text;
        }
    }
}

std::string Formatted(const char* format, std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    return std::strftime(text, sizeof text, format, &local) > 0 ? text : "";
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

}  // namespace

std::string PathState::Text() const {
    if (kind == Kind::Absent)
        return "absent";
    char text[64];
    std::snprintf(text, sizeof text, "%s %" PRIu64 " %08x", kind == Kind::File ? "file" : "folder",
                  size, crc);
    return text;
}

std::optional<PathState> PathState::Parse(std::string_view text) {
    if (text == "absent")
        return PathState{};
    const std::size_t first = text.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : text.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    PathState state;
    const std::string_view kind = text.substr(0, first);
    if (kind == "file")
        state.kind = Kind::File;
    else if (kind == "folder")
        state.kind = Kind::Folder;
    else
        return std::nullopt;
    const auto size = ParseNumber<std::uint64_t>(text.substr(first + 1, second - first - 1));
    const auto crc = ParseNumber<std::uint32_t>(text.substr(second + 1), 16);
    if (!size || !crc)
        return std::nullopt;
    state.size = *size;
    state.crc = *crc;
    return state;
}

PathState StateOf(const std::string& path) {
    PathState state;
    if (IsSymbolicLink(path) && !PathExists(path)) {
        state.kind = PathState::Kind::File;  // a dangling link: there, holding nothing
        return state;
    }
    if (!PathExists(path))
        return state;
    if (IsFolder(path)) {
        state.kind = PathState::Kind::Folder;
        std::string lines;
        AddTreeLines(path, "", lines, state.size);
        state.crc = Crc32(0, lines.data(), lines.size());
        return state;
    }
    state.kind = PathState::Kind::File;
    if (const auto data = FileSizeAndCrc(path)) {
        state.size = data->size;
        state.crc = data->crc;
    }
    return state;
}

std::string JournalRecord::Words() const {
    const bool existed = before.kind != PathState::Kind::Absent;
    std::string words;
    switch (op) {
        case JournalOp::Rename:
            words = "rename " + Quoted(path) + " as " + Quoted(target);
            break;
        case JournalOp::Exchange:
            words = "exchange " + Quoted(path) + " and " + Quoted(target);
            break;
        case JournalOp::Rewrite:
            words = (existed ? "rewrite archive " : "new archive ") + Quoted(path);
            break;
        case JournalOp::Write:
            words = (existed ? "replace file " : "new file ") + Quoted(path);
            if (!target.empty())
                words += " from " + Quoted(target);
            break;
        case JournalOp::Remove:
            words = (before.kind == PathState::Kind::Folder ? "remove folder " : "remove file ") +
                    Quoted(path);
            break;
        case JournalOp::MakeFolder:
            words = "make folder " + Quoted(path);
            break;
    }
    if (!detail.empty())
        words += ": " + detail;
    return words;
}

unsigned JournalRun::DoneCount() const {
    unsigned count = 0;
    for (const JournalRecord& record : records) {
        count += record.status == JournalRecord::Status::Done ? 1 : 0;
    }
    return count;
}

std::string JournalTime() {
    return Formatted("%Y-%m-%d %H:%M:%S", std::time(nullptr));
}

std::string JournalNameTime() {
    // With the milliseconds, so that names sort as runs started also within one second; both
    // from one reading of the clock, or a second's turn could sort a name back.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char milliseconds[24];
    std::snprintf(milliseconds, sizeof milliseconds, "%03ld", now.tv_nsec / 1000000);
    return Formatted("%Y%m%d-%H%M%S", now.tv_sec) + milliseconds;
}

std::string EscapeField(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeField(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        plain += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return plain;
}

std::string HeaderLines(const JournalRun& run) {
    return std::string(kMagic) + "\nstarted\t" + EscapeField(run.started) + "\ncommand\t" +
           EscapeField(run.command) + "\nkind\t" + EscapeField(run.kind) + "\nbackup\t" +
           (run.backup ? "on" : "off") + "\n";
}

std::string ChangeLine(const JournalRecord& record) {
    return "change\t" + std::to_string(record.number) + "\t" + std::string(NameOf(record.op)) +
           "\t" + EscapeField(record.path) + "\t" + EscapeField(record.target) + "\t" +
           record.before.Text() + "\t" + EscapeField(record.kept) + "\t" +
           EscapeField(record.detail) + "\n";
}

std::string OutcomeLine(const JournalRecord& record) {
    if (record.status == JournalRecord::Status::Done)
        return "done\t" + std::to_string(record.number) + "\t" + record.after.Text() + "\n";
    return "failed\t" + std::to_string(record.number) + "\n";
}

std::string EndLine(std::string_view time) {
    return "end\t" + EscapeField(time) + "\n";
}

std::string UndoneLine(std::string_view time, std::string_view undoRun) {
    return "undone\t" + EscapeField(time) + "\t" + EscapeField(undoRun) + "\n";
}

std::optional<JournalRun> ParseJournal(std::string_view text) {
    if (text.substr(0, kMagic.size() + 1) != std::string(kMagic) + "\n")
        return std::nullopt;
    JournalRun run;
    std::size_t start = kMagic.size() + 1;
    const auto recordNumbered = [&run](std::string_view number) -> JournalRecord* {
        const auto n = ParseNumber<unsigned>(number);
        if (!n || *n == 0 || *n > run.records.size())
            return nullptr;
        return &run.records[*n - 1];
    };
    // After a line cut short by a killed run only an undo's mark is read.
    bool cut = false;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            break;
        const auto fields = SplitTabs(text.substr(start, end - start));
        start = end + 1;
        const std::string_view key = fields[0];
        bool understood = true;
        if (key == "undone" && fields.size() == 3) {
            run.undoneBy = UnescapeField(fields[2]);
        } else if (cut) {
            continue;
        } else if (key == "started" && fields.size() == 2) {
            run.started = UnescapeField(fields[1]);
        } else if (key == "command" && fields.size() == 2) {
            run.command = UnescapeField(fields[1]);
        } else if (key == "kind" && fields.size() == 2) {
            run.kind = UnescapeField(fields[1]);
        } else if (key == "backup" && fields.size() == 2) {
            run.backup = fields[1] == "on";
        } else if (key == "change" && fields.size() == 8) {
            JournalRecord record;
            const auto number = ParseNumber<unsigned>(fields[1]);
            const auto op = OpNamed(fields[2]);
            const auto before = PathState::Parse(fields[5]);
            understood = number && *number == run.records.size() + 1 && op && before;
            if (understood) {
                record.number = *number;
                record.op = *op;
                record.path = UnescapeField(fields[3]);
                record.target = UnescapeField(fields[4]);
                record.before = *before;
                record.kept = UnescapeField(fields[6]);
                record.detail = UnescapeField(fields[7]);
                run.records.push_back(std::move(record));
            }
        } else if (key == "done" && fields.size() == 3) {
            JournalRecord* record = recordNumbered(fields[1]);
            const auto after = PathState::Parse(fields[2]);
            understood = record != nullptr && after.has_value();
            if (understood) {
                record->status = JournalRecord::Status::Done;
                record->after = *after;
            }
        } else if (key == "failed" && fields.size() == 2) {
            JournalRecord* record = recordNumbered(fields[1]);
            understood = record != nullptr;
            if (understood)
                record->status = JournalRecord::Status::Failed;
        } else if (key == "end" && fields.size() == 2) {
            run.ended = true;
        } else {
            understood = false;
        }
        cut = cut || !understood;
    }
    return run;
}

}  // namespace vextral
