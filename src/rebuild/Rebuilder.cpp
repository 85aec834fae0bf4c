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

// A folder that did not exist before, inside parent (which must exist).
std::string NewPrivateFolder(const std::string& parent, const std::string& stem) {
    for (unsigned n = 1; n < 100000; ++n) {
        const std::string candidate = parent + stem + std::to_string(n);
        if (!PathExists(candidate) && CreateFolder(candidate))
            return candidate + kSeparator;
    }
    return {};
}

}  // namespace

Rebuilder::Rebuilder(const ScanConfig& config, Dialogs& dialogs, Progress& progress,
                     ZipLibrary& zipLibrary, const GameDatabase& database)
    : config_(config),
      dialogs_(dialogs),
      progress_(progress),
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      database_(database) {}

void Rebuilder::BuildIndex() {
    index_.Build(database_);
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
    if (!CreateFolderTree(WithoutSeparator(destination_)))
        return Outcome::Failed;
    skipDestination_ = WithoutSeparator(CanonicalPath(destination_));
    // Other processes' folders there are never walked either.
    skipTemporary_ = WithoutSeparator(CanonicalPath(config_.programFolder + kTempZipFolderName));
    skipProgram_ = WithoutSeparator(CanonicalPath(config_.programFolder));
    if (config_.scratchFolder.empty() || !IsFolder(config_.scratchFolder))
        return Outcome::Failed;
    workFolder_ = NewPrivateFolder(config_.scratchFolder, "rebuild");
    if (workFolder_.empty())
        return Outcome::Failed;
    RemoveZipLeftovers(destination_);
    destinationNames_ = FolderNames(destination_);
    archiveMembers_.clear();
    biosNames_.clear();
    index_.ResetUsed();

    const std::string source = WithSeparator(sourceFolder);
    const std::uint32_t count = CountFiles(source);

    Progress& progress = progress_;
    progress.OpenProgress("Rebuilding ROMs");
    if (count > 0)
        progress.SetProgressRange(
            0, static_cast<int>(std::min<std::uint32_t>(count, std::numeric_limits<int>::max())));
    progress.SetProgressStep(1);
    const Step step = WalkFolder(source);
    progress.CloseProgress();

    RemoveFolderTree(WithoutSeparator(workFolder_));
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
            DeleteFileForced(temporary);
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
    const bool isBios =
        !options_.biosEverywhere && IsNeoGeoBiosData(candidate.size, candidate.crc);
    const auto serve = [&](std::span<RebuildEntry> entries) {
        for (auto& entry : entries) {
            if (entry.used || entry.size != candidate.size)
                continue;
            entry.used = true;
            if (Write(file, entry.romName, TargetGame(entry), isBios) == Step::Stop) {
                return Step::Stop;
            }
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
    if (!IsFolder(setPath)) {
        if (!CreateFolder(setPath)) {
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
        std::error_code error;
        std::filesystem::create_hard_link(file, target, error);
        if (!error) {
            temporaryLinked_ = true;
            return;
        }
    }
    if (!CopyFileTo(file, target, CopyMode::KeepExisting))
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

    // The archive takes the file under its own name, so a file of another name is staged
    // under the ROM's name in our temporary folder; the source is never renamed.
    std::string zipSource = file;
    std::string stageFolder;
    if (FileNamePart(file) != romName) {
        stageFolder = workFolder_ + "stage" + std::to_string(++stageCounter_);
        zipSource = stageFolder + kSeparator + romName;
        if (!CreateFolder(stageFolder) || !CopyFileTo(file, zipSource, CopyMode::ReplaceExisting)) {
            Fail(setName, "cannot stage " + romName + ": " + std::strerror(errno));
            RemoveFolderTree(stageFolder);
            return;
        }
    }
    const auto transaction = zipLibrary_.Open(archive, ZipOpenMode::CreateWhenMissing);
    if (transaction->Add(zipSource, romName) && transaction->Commit()) {
        known->second.insert(ToLowerAscii(romName));
        destinationNames_.Add(archiveName, /*isFolder=*/false);
    } else {
        Fail(setName, "cannot add " + romName + " to " + archive + ": " + transaction->ErrorText());
        archiveMembers_.erase(known);  // list it again before the next write
    }
    if (!stageFolder.empty())
        RemoveFolderTree(stageFolder);
}

void Rebuilder::Fail(const std::string& setName, const std::string& why) {
    if (failedSets_.insert(setName).second)
        failureLines_.push_back(setName + ": " + why);
}

}  // namespace vextral
