#include "fixer/JournalFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "archive/FileUtils.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace vextral {
namespace {

constexpr std::string_view kExtension = ".journal";
constexpr std::uint64_t kMaxJournal = 1ull << 30;

// The process named in a run's name (time-time-pid[-n]); nothing when it does not say.
std::optional<pid_t> ProcessOf(const std::string& name) {
    std::size_t start = 0;
    for (int dashes = 0; dashes < 2; ++dashes) {
        start = name.find('-', start);
        if (start == std::string::npos)
            return std::nullopt;
        ++start;
    }
    const std::size_t end = std::min(name.find('-', start), name.size());
    pid_t pid = 0;
    const auto [at, error] = std::from_chars(name.data() + start, name.data() + end, pid);
    if (error != std::errc() || at != name.data() + end)
        return std::nullopt;
    return pid;
}

// Whether the journal's last lines close the run (its end, or an undo's mark), read from
// its tail alone: a large run's journal is not read whole at every start.
bool ClosedAtTail(const std::string& path) {
    constexpr std::size_t kTail = 4096;
    std::uint64_t length = 0;
    const FileDescriptor file = OpenRegularFile(path, &length);
    if (!file.IsOpen())
        return false;
    const std::uint64_t start = length > kTail ? length - kTail : 0;
    std::string tail(static_cast<std::size_t>(length - start), '\0');
    const ssize_t got = ::pread(file.Get(), tail.data(), tail.size(), static_cast<off_t>(start));
    if (got < 0)
        return false;
    tail.resize(static_cast<std::size_t>(got));
    return tail.find("\nend\t") != std::string::npos ||
           tail.find("\nundone\t") != std::string::npos;
}

bool ProcessAlive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

JournalFolder::JournalFolder(const std::string& programFolder)
    : folder_(programFolder + "journal" + kSeparator) {}

std::vector<std::string> JournalFolder::RunNames() const {
    std::vector<std::string> names;
    for (const DirEntry& entry : ListFolder(folder_)) {
        if (entry.IsFile() && entry.name.size() > kExtension.size() &&
            entry.name.ends_with(kExtension)) {
            names.push_back(entry.name.substr(0, entry.name.size() - kExtension.size()));
        }
    }
    return names;  // listed in byte order: by start time
}

std::optional<JournalRun> JournalFolder::Read(const std::string& name) const {
    const auto text = ReadRegularFile(folder_ + name + std::string(kExtension), kMaxJournal);
    if (!text)
        return std::nullopt;
    auto run = ParseJournal(*text);
    if (run)
        run->name = name;
    return run;
}

void JournalFolder::Prune(unsigned keep) const {
    const std::vector<std::string> names = RunNames();
    for (std::size_t i = 0; i + keep < names.size(); ++i) {
        (void)RemoveFolderTree(folder_ + names[i] + ".kept");
        (void)DeleteFile(folder_ + names[i] + std::string(kExtension));
    }
}

bool JournalFolder::MarkUndone(const std::string& name, const std::string& undoRun) const {
    const std::string path = folder_ + name + std::string(kExtension);
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (!file.IsOpen())
        return false;
    // A run cut short may have left half a line; the mark starts on a line of its own.
    const auto text = ReadRegularFile(path, kMaxJournal);
    std::string line = UndoneLine(JournalTime(), undoRun);
    if (text && !text->empty() && text->back() != '\n')
        line = "\n" + line;
    return ::write(file.Get(), line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
           ::fdatasync(file.Get()) == 0;
}

std::optional<JournalRun> JournalFolder::LastUndoable() const {
    const std::vector<std::string> names = RunNames();
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        auto run = Read(*name);
        if (run && run->undoneBy.empty() && run->kind != "undo" && run->DoneCount() > 0)
            return run;
    }
    return std::nullopt;
}

std::vector<JournalRun> JournalFolder::KilledRuns() const {
    std::vector<JournalRun> killed;
    for (const std::string& name : RunNames()) {
        const auto pid = ProcessOf(name);
        if (!pid || *pid == ::getpid() || ProcessAlive(*pid) ||
            ClosedAtTail(folder_ + name + std::string(kExtension)))
            continue;
        auto run = Read(name);
        if (run && !run->ended && run->undoneBy.empty())
            killed.push_back(std::move(*run));
    }
    return killed;
}

}  // namespace vextral
