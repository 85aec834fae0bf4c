#include "rebuild/Rebuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <span>
#include <thread>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipLibrary.h"
#include "database/NeoGeoBios.h"
#include "fixer/ProcessScratch.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace vextral {

namespace {

bool IsLink(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

// Bytes handed to the workers and not yet written: enough to keep every core busy, few
// enough that the compressed data waiting for its archive stays small. Files of sets still
// gathering are handed over only while fewer wait.
constexpr std::uint64_t kCompressingWindow = 256ull << 20;

std::string Folded(const std::string& setName) {
    return ToLowerAscii(setName);
}

}  // namespace

Rebuilder::Rebuilder(const ScanConfig& config, Dialogs& dialogs, Progress& progress,
                     ZipLibrary& zipLibrary, const GameDatabase& database,
                     const GameSelection& selection, ChangeJournal* journal)
    : config_(config),
      dialogs_(dialogs),
      progress_(progress),
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      database_(database),
      selection_(selection) {
    journal_.Set(journal);
}

void Rebuilder::BuildIndex() {
    index_.Build(database_, selection_);
    sizes_.clear();
    for (const auto& entry : index_.CrcEntries())
        sizes_.insert(entry.size);
    for (const auto& entry : index_.NameEntries())
        sizes_.insert(entry.size);
}

const std::string& Rebuilder::TargetGame(const RebuildEntry& entry) const {
    if (!options_.merge || entry.parentName.empty())
        return entry.gameName;
    // A clone's ROM that the parent names for other data stays in the clone's set in every
    // merge mode: one name cannot hold both.
    const bool otherData = entry.parentHasName && !entry.parentHasSameData;
    const ScanOptions& modes = config_.options;
    if ((modes.MergeFull && !otherData) || (modes.MergeSplit && entry.parentHasSameData))
        return entry.parentName;
    return entry.gameName;
}

Rebuilder::Outcome Rebuilder::Rebuild(const std::string& sourceFolder,
                                      const std::string& destinationFolder,
                                      const RebuildOptions& options) {
    if (!IsFolder(sourceFolder) || !RebuildFoldersAllowed(sourceFolder, destinationFolder)) {
        return Outcome::Failed;
    }
    options_ = options;
    failedSets_.clear();
    failureLines_.clear();
    destination_ = WithSeparator(destinationFolder);
    if (!journal_->MakeFolderTree(WithoutSeparator(destination_)))
        return Outcome::Failed;
    skipDestination_ = WithoutSeparator(CanonicalPath(destination_));
    // Other processes' folders there are never walked either.
    skipTemporary_ = WithoutSeparator(CanonicalPath(config_.programFolder + kTempZipFolderName));
    skipProgram_ = WithoutSeparator(CanonicalPath(config_.programFolder));
    work_.emplace(config_.scratchFolder);
    if (!work_->Ok()) {
        work_.reset();
        return Outcome::Failed;
    }
    workFolder_ = work_->Path();
    RemoveZipLeftovers(destination_);
    destinationNames_ = FolderNames(destination_);
    archiveMembers_.clear();
    biosNames_.clear();
    index_.ResetUsed();
    unserved_.clear();
    archivesOfSet_.clear();
    if (options_.zip) {
        for (const auto* entries : {&index_.CrcEntries(), &index_.NameEntries()}) {
            for (const auto& entry : *entries)
                ++unserved_[Folded(TargetGame(entry))];
        }
        pool_ = std::make_unique<WorkerPool>(workers_);
    }

    const std::string source = WithSeparator(sourceFolder);
    const std::uint32_t count = CountFiles(source);

    Progress& progress = progress_;
    progress.OpenProgress("Rebuilding ROMs");
    if (count > 0)
        progress.SetProgressRange(
            0, static_cast<int>(std::min<std::uint32_t>(count, std::numeric_limits<int>::max())));
    progress.SetProgressStep(1);
    const Step step = WalkFolder(source);
    // What was gathered before a stop is written too: it counts as written, as a loose file is.
    FinishArchives();
    progress.CloseProgress();

    work_.reset();
    return step == Step::Stop ? Outcome::Stopped : Outcome::Completed;
}

bool Rebuilder::SkipFolder(const std::string& folder) const {
    // Never descend into what this run writes, nor into the program folder (backups,
    // scratch copies), nor through links (a link to an ancestor would never end).
    if (IsLink(WithoutSeparator(folder)))
        return true;
    const std::string canonical = WithoutSeparator(CanonicalPath(folder));
    return canonical == skipDestination_ || canonical == skipTemporary_ ||
           canonical == skipProgram_;
}

std::uint32_t Rebuilder::CountFiles(const std::string& folder) {
    std::uint32_t count = 0;
    for (const auto& entry : ListFolder(folder)) {
        const std::string path = folder + entry.name;
        if (entry.isFolder || IsFolder(path)) {
            if (!SkipFolder(path))
                count += CountFiles(path + kSeparator);
        } else if (IsRegularFile(path)) {
            ++count;
        }
    }
    return count;
}

Rebuilder::Step Rebuilder::WalkFolder(const std::string& folder) {
    for (const auto& entry : ListFolder(folder)) {
        const std::string path = folder + entry.name;
        if (entry.isFolder || IsFolder(path)) {
            if (SkipFolder(path))
                continue;
            if (WalkFolder(path + kSeparator) == Step::Stop)
                return Step::Stop;
        } else if (IsRegularFile(path)) {  // no pipes or devices: reading them may block
            if (ProcessFile(path) == Step::Stop)
                return Step::Stop;
            progress_.AdvanceProgress();
            CommitArchives(/*wait=*/false);
            // Otherwise a Stop pressed while no file matches would wait for the walk's end.
            if (progress_.IsStopRequested())
                return Step::Stop;
        }
    }
    return Step::Continue;
}

Rebuilder::Step Rebuilder::ProcessFile(const std::string& path) {
    std::vector<ZipEntry> members;
    if (zipReader_.ReadZipDirectory(path, members, /*requireZipExtension=*/true,
                                    /*reportErrors=*/true)) {
        for (const auto& member : members) {
            std::this_thread::yield();
            Candidate candidate{member.crc, ~member.crc, member.size, member.name};
            if (!MightMatch(candidate))
                continue;
            const std::string temporary = workFolder_ + SafeFileName(member.name);
            temporaryLinked_ = false;
            Step step = Step::Continue;
            if (ExtractZipEntry(member, temporary, dialogs_)) {
                step = Match(temporary, candidate);
                if (step == Step::Continue && options_.complemented) {
                    candidate.crc = candidate.complement;
                    step = Match(temporary, candidate);
                }
            }
            // One left behind goes with the run's private folder.
            (void)DeleteFileForced(temporary);
            if (step == Step::Stop)
                return Step::Stop;
        }
        return Step::Continue;
    }

    const auto length = FileLength(path);
    if (!length || !sizes_.contains(*length))
        return Step::Continue;  // no ROM has this size
    std::uint64_t size = 0;
    const std::uint32_t crc = FileCrc(path, &size);
    Candidate candidate{crc, ~crc, size, FileNamePart(path)};
    Step step = Match(path, candidate);
    if (step == Step::Continue && options_.complemented) {
        candidate.crc = candidate.complement;
        step = Match(path, candidate);
    }
    return step;
}

bool Rebuilder::MightMatch(const Candidate& candidate) {
    if (!sizes_.contains(candidate.size))
        return false;
    const auto unusedOfSize = [&](std::span<RebuildEntry> entries) {
        return std::any_of(entries.begin(), entries.end(), [&](const RebuildEntry& e) {
            return !e.used && e.size == candidate.size;
        });
    };
    if (unusedOfSize(index_.FindCrc(candidate.crc)))
        return true;
    if (options_.complemented && unusedOfSize(index_.FindCrc(candidate.complement)))
        return true;
    return options_.badDumps && unusedOfSize(index_.FindName(candidate.name));
}

Rebuilder::Step Rebuilder::Match(const std::string& file, const Candidate& candidate) {
    const bool isBios = !options_.biosEverywhere && IsNeoGeoBiosData(candidate.size, candidate.crc);
    const auto serve = [&](std::span<RebuildEntry> entries) {
        for (auto& entry : entries) {
            if (entry.used || entry.size != candidate.size)
                continue;
            entry.used = true;
            if (Write(file, entry.romName, TargetGame(entry), isBios) == Step::Stop) {
                return Step::Stop;
            }
            Served(entry);
        }
        return Step::Continue;
    };
    const auto found = index_.FindCrc(candidate.crc);
    if (options_.badDumps && serve(index_.FindName(candidate.name)) == Step::Stop) {
        return Step::Stop;
    }
    return serve(found);
}

Rebuilder::Step Rebuilder::Write(const std::string& file, const std::string& romName,
                                 const std::string& game, bool isBios) {
    if (isBios) {
        if (std::find(biosNames_.begin(), biosNames_.end(), romName) != biosNames_.end()) {
            return Step::Continue;
        }
        biosNames_.push_back(romName);
    }
    std::this_thread::yield();
    Progress& progress = progress_;
    progress.Repaint();
    progress.SetProgressText(game + kSeparator + romName);
    if (progress.IsStopRequested())
        return Step::Stop;

    const std::string setName = isBios ? std::string(kNeoGeoBiosSet) : game;
    if (options_.zip) {
        WriteZipped(file, romName, setName);
    } else {
        WriteLoose(file, romName, setName);
    }
    return Step::Continue;
}

void Rebuilder::WriteLoose(const std::string& file, const std::string& romName,
                           const std::string& setName) {
    std::string folderName = destinationNames_.FindFolder(setName).value_or(setName);
    const std::string setPath = destination_ + folderName;
    // A plan's folder is made only in the names, and only once.
    if (!IsFolder(setPath) && !(journal_->Pretends() && destinationNames_.FindFolder(setName))) {
        if (!journal_->MakeFolder(setPath)) {
            Fail(setName, "cannot create the folder " + setPath + ": " + std::strerror(errno));
            return;
        }
        destinationNames_.Add(folderName, /*isFolder=*/true);
    }
    const std::string target = setPath + kSeparator + romName;
    if (ResolveIgnoringCase(target))
        return;  // an existing file is left untouched
    // A member extracted into our own folder need not be written a second time: the first
    // set it goes to takes it as a link (which never replaces an existing target either).
    // Later sets get copies, so that no two set files share their data.
    if (file.starts_with(workFolder_) && !temporaryLinked_) {
        if (journal_->LinkIn(file, target)) {
            temporaryLinked_ = true;
            return;
        }
    }
    if (!journal_->CopyFile(file, target, CopyMode::KeepExisting))
        Fail(setName, "cannot write " + target + ": " + std::strerror(errno));
}

void Rebuilder::WriteZipped(const std::string& file, const std::string& romName,
                            const std::string& setName) {
    const std::string archiveName =
        destinationNames_.FindFile(setName + ".zip").value_or(setName + ".zip");
    const std::string archive = destination_ + archiveName;

    // Adding a member of a name the archive already holds would replace its data.
    auto known = archiveMembers_.find(archive);
    if (known == archiveMembers_.end()) {
        std::unordered_set<std::string> names;
        if (PathExists(archive)) {
            std::vector<ZipEntry> members;
            if (!zipReader_.ReadZipDirectory(archive, members, false, false)) {
                // An archive we cannot read is not written to.
                Fail(setName, "cannot read the archive " + archive);
                return;
            }
            for (const auto& member : members)
                names.insert(ToLowerAscii(member.name));
        }
        known = archiveMembers_.emplace(archive, std::move(names)).first;
    }
    if (known->second.contains(ToLowerAscii(romName)))
        return;

    auto gathered = gathering_.find(archive);
    if (gathered == gathering_.end()) {
        gathered = gathering_.try_emplace(archive).first;
        gathered->second.setName = setName;
        gathered->second.path = archive;
        gatheringOrder_.push_back(archive);
        archivesOfSet_[Folded(setName)].push_back(archive);
    }
    PendingArchive& pending = gathered->second;
    // A member extracted for this write is removed once matched: the archive keeps a link.
    std::string source = file;
    if (file.starts_with(workFolder_)) {
        if (!pending.stage)
            pending.stage = std::make_unique<ScratchFolder>(workFolder_);
        source = pending.stage->Path() + std::to_string(pending.files.size());
        std::error_code error;
        if (pending.stage->Ok())
            std::filesystem::create_hard_link(file, source, error);
        if (!pending.stage->Ok() || (error && !CopyFileTo(file, source, CopyMode::KeepExisting))) {
            Fail(setName, "cannot stage " + romName + ": " + std::strerror(errno));
            return;
        }
    }
    pending.files.push_back(source);
    pending.memberNames.push_back(romName);
    pending.sizes.push_back(FileLength(source).value_or(0));
    known->second.insert(ToLowerAscii(romName));
    // Another set of this name in other case goes into the same archive.
    destinationNames_.Add(archiveName, /*isFolder=*/false);
    if (compressingBytes_ < kCompressingWindow)
        Submit(pending);
}

void Rebuilder::Served(const RebuildEntry& entry) {
    if (!options_.zip)
        return;
    const std::string set = Folded(TargetGame(entry));
    auto left = unserved_.find(set);
    if (left == unserved_.end() || --left->second > 0)
        return;
    // The BIOS set takes ROMs of every NeoGeo game: it is complete only at the end.
    if (set == kNeoGeoBiosSet)
        return;
    if (const auto archives = archivesOfSet_.find(set); archives != archivesOfSet_.end()) {
        for (const std::string& archive : archives->second)
            Dispatch(archive);
    }
}

void Rebuilder::Dispatch(const std::string& archive) {
    auto gathered = gathering_.find(archive);
    if (gathered == gathering_.end())
        return;
    PendingArchive& pending = compressing_.emplace_back(std::move(gathered->second));
    gathering_.erase(gathered);
    Submit(pending);
    while (compressingBytes_ > kCompressingWindow && compressing_.size() > 1)
        CommitOldest();
}

void Rebuilder::Submit(PendingArchive& pending) {
    for (std::size_t i = pending.compressed.size(); i < pending.files.size(); ++i) {
        pending.compressed.push_back(pool_->Submit([file = pending.files[i]] {
            std::string failure;
            auto data = DeflateFile(file, &failure);
            return PendingArchive::Compressed{
                data ? std::make_shared<const DeflatedData>(std::move(*data)) : nullptr, failure};
        }));
        pending.submittedBytes += pending.sizes[i];
        compressingBytes_ += pending.sizes[i];
    }
}

void Rebuilder::CommitArchives(bool wait) {
    const auto done = [](const PendingArchive& pending) {
        return std::all_of(pending.compressed.begin(), pending.compressed.end(), [](auto& f) {
            return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
    };
    while (!compressing_.empty() && (wait || done(compressing_.front())))
        CommitOldest();
}

void Rebuilder::CommitOldest() {
    PendingArchive pending = std::move(compressing_.front());
    compressing_.pop_front();
    compressingBytes_ -= pending.submittedBytes;
    // A source that cannot be read any more is left out, as a failed copy is from a folder.
    std::vector<std::pair<std::shared_ptr<const DeflatedData>, const std::string*>> members;
    for (std::size_t i = 0; i < pending.compressed.size(); ++i) {
        auto [deflated, failure] = pending.compressed[i].get();
        if (deflated)
            members.emplace_back(std::move(deflated), &pending.memberNames[i]);
        else
            Fail(pending.setName, "cannot read " + pending.files[i] + ": " + failure);
    }
    if (members.empty())
        return;

    const auto transaction =
        journal_->OpenArchive(zipLibrary_, pending.path, ZipOpenMode::CreateWhenMissing);
    std::string what =
        members.size() == 1 ? *members.front().second : std::to_string(members.size()) + " files";
    bool added = true;
    for (auto& [data, name] : members) {
        added = transaction->AddDeflated(std::move(data), *name);
        if (!added) {
            what = *name;
            break;
        }
    }
    if (!added || !transaction->Commit()) {
        Fail(pending.setName,
             "cannot add " + what + " to " + pending.path + ": " + transaction->ErrorText());
    }
}

void Rebuilder::FinishArchives() {
    for (const std::string& archive : gatheringOrder_)
        Dispatch(archive);
    gatheringOrder_.clear();
    CommitArchives(/*wait=*/true);
    pool_.reset();
}

void Rebuilder::Fail(const std::string& setName, const std::string& why) {
    if (failedSets_.insert(setName).second)
        failureLines_.push_back(setName + ": " + why);
}

}  // namespace vextral
