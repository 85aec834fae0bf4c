#include "fixer/JournalWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "archive/Crc32.h"
#include "fixer/BackupStore.h"

namespace vextral {
namespace {

bool ReplacesBytes(const JournalRecord& record) {
    return (record.op == JournalOp::Rewrite || record.op == JournalOp::Write ||
            record.op == JournalOp::Remove) &&
           record.before.kind != PathState::Kind::Absent;
}

}  // namespace

JournalWriter::JournalWriter(std::string folder, JournalRun header)
    : folder_(std::move(folder)), run_(std::move(header)) {
    if (!folder_.empty() && folder_.back() != kSeparator)
        folder_ += kSeparator;
    run_.started = JournalTime();
    const std::string stem = JournalNameTime() + "-" + std::to_string(::getpid());
    if (!CreateFolderTree(folder_))
        return;
    // Two runs of one process within a second get a number after the first.
    for (unsigned n = 0; n < 1000 && !file_.IsOpen(); ++n) {
        run_.name = n == 0 ? stem : stem + "-" + std::to_string(n);
        path_ = folder_ + run_.name + ".journal";
        file_ = FileDescriptor(
            ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644));
        if (!file_.IsOpen() && errno != EEXIST)
            break;
    }
    if (file_.IsOpen() && !Append(HeaderLines(run_), /*sync=*/true))
        (void)file_.Close();
}

JournalWriter::~JournalWriter() {
    Finish();
}

void JournalWriter::Finish() {
    if (finished_ || !file_.IsOpen())
        return;
    finished_ = true;
    (void)Append(EndLine(JournalTime()), /*sync=*/true);
}

bool JournalWriter::Append(const std::string& line, bool sync) {
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(file_.Get(), line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return !sync || ::fdatasync(file_.Get()) == 0;
}

bool JournalWriter::Keep(JournalRecord& record) {
    const std::string keptFolder = folder_ + run_.name + ".kept" + kSeparator;
    if (!CreateFolderTree(keptFolder))
        return false;
    const std::string kept = keptFolder + std::to_string(record.number);
    ChangeJournal direct;  // the kept folder is ours, not the collection's
    if (record.before.kind == PathState::Kind::Folder) {
        if (IsSymbolicLink(record.path))
            return true;  // a link goes as a link; nothing it points at is touched
        if (!CreateFolder(kept) || !BackupStore::CopyFolderContents(record.path, kept, direct))
            return false;
    } else if (!CopyFileTo(record.path, kept, CopyMode::KeepExisting) ||
               FileSizeAndCrc(kept) != FileData{record.before.size, record.before.crc}) {
        return false;
    }
    record.kept = kept;
    return true;
}

ChangeJournal::Go JournalWriter::Begin(JournalRecord& record) {
    if (!file_.IsOpen() || finished_)
        return Go::Refuse;
    record.number = ++number_;
    // On the disk before the change: a run killed during it still names it.
    if ((run_.backup && ReplacesBytes(record) && !Keep(record)) ||
        !Append(ChangeLine(record), /*sync=*/true)) {
        --number_;
        return Go::Refuse;
    }
    return Go::Proceed;
}

void JournalWriter::End(JournalRecord& record) {
    changes_ += record.status == JournalRecord::Status::Done ? 1 : 0;
    (void)Append(OutcomeLine(record), /*sync=*/false);
}

}  // namespace vextral
