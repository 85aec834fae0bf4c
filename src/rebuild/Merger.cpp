#include "rebuild/Merger.h"

#include <filesystem>
#include <thread>
#include <unordered_set>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipLibrary.h"
#include "fixer/BackupStore.h"
#include "fixer/ScratchFolder.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace vextral {

namespace {

std::string SafeFileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        return "member";
    }
    return name;
}

// Replaces target only once the new file is complete.
bool ReplaceWith(const std::string& from, const std::string& target) {
    std::error_code error;
    std::filesystem::rename(from, target, error);
    return !error;
}

}  // namespace

Merger::Merger(const ScanConfig& config, const ScanPaths& paths, Dialogs& dialogs,
               Progress& progress, ZipLibrary& zipLibrary, GameDatabase& database)
    : config_(config),
      paths_(paths),
      dialogs_(dialogs),
      progress_(progress),
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      database_(database) {}

Merger::Outcome Merger::Merge(const MergeOptions& options) {
    return Run(config_.options.MergeFull ? Mode::Full : Mode::Split, options);
}

Merger::Outcome Merger::Unmerge(const MergeOptions& options) {
    return Run(Mode::Unmerge, options);
}

Merger::Outcome Merger::Run(Mode mode, const MergeOptions& options) {
    skippedParents_.clear();
    zip_ = options.zip;
    romFolders_.clear();
    for (const auto& folder : paths_.romList)
        romFolders_.push_back(WithSeparator(folder));
    if (romFolders_.empty())
        return Outcome::Failed;
    // The first rom folder comes first in the list, so that a set found there is the
    // earliest source and the new set lands beside it.
    if (!paths_.romFolders.empty()) {
        const std::string first = WithSeparator(paths_.romFolders.front());
        std::erase(romFolders_, first);
        romFolders_.insert(romFolders_.begin(), first);
    }
    first_ = romFolders_.front();
    RemoveZipLeftovers(first_);
    folderNames_.clear();
    for (const auto& folder : romFolders_) {
        // A folder that seems empty only because it could not be listed would hide its sets.
        if (!folderNames_.emplace_back(folder).Listed())
            return Outcome::Failed;
    }

    int count = 0;
    for (const auto& game : database_)
        count += (game.isParent && game.selected) ? 1 : 0;
    Progress& progress = progress_;
    progress.OpenProgress(mode == Mode::Unmerge ? "Unmerging Roms" : "Merging Roms");
    if (count > 0)
        progress.SetProgressRange(0, count);
    progress.SetProgressStep(1);

    Outcome outcome = Outcome::Completed;
    for (const auto& game : database_) {
        if (!game.isParent || !game.selected)
            continue;
        if (!ProcessFamily(mode, game))
            skippedParents_.push_back(game.name);
        std::this_thread::yield();
        progress.Repaint();
        if (progress.IsStopRequested()) {
            outcome = Outcome::Stopped;
            break;
        }
        progress.AdvanceProgress();
    }
    progress.CloseProgress();
    return outcome;
}

bool Merger::ProcessFamily(Mode mode, const GameRecord& parent) {
    progress_.SetProgressText(parent.description);
    broken_ = false;
    listings_.clear();
    setFolders_.clear();
    familySets_.clear();

    std::vector<const GameRecord*> clones;
    for (const auto& ref : parent.clones) {
        if (ref.index < database_.size())
            clones.push_back(&database_[ref.index]);
    }
    std::vector<NewSet> sets;
    sets.reserve(clones.size() + 1);
    const auto finish = [&](bool ok) {
        for (auto& set : sets) {
            if (!ok) {
                DiscardSet(set);
            } else if (zip_) {
                RemoveFolderTree(set.temporary);  // the files are in the archive now
            }
        }
        listings_.clear();
        setFolders_.clear();
        familySets_.clear();
        return ok;
    };

    std::vector<std::string> familyNames{parent.name};
    for (const auto* clone : clones)
        familyNames.push_back(clone->name);
    if (!FamilyIsSafe(familyNames))
        return finish(false);

    NewSet& parentSet = sets.emplace_back();
    if (!StartSet(parentSet, parent.name))
        return finish(false);
    const std::size_t folderCount = romFolders_.size();
    for (const auto& rom : parent.roms) {
        for (std::size_t r = 0; r < folderCount; ++r) {
            CopyRom(r, parent.name, rom.name, parentSet, false);
        }
    }
    // Parent ROMs lying in clone sets; the parent's own copy, when there is one, stays.
    for (const auto* clone : clones) {
        for (const auto& rom : parent.roms) {
            for (std::size_t r = 0; r < folderCount; ++r) {
                CopyRom(r, clone->name, rom.name, parentSet, /*onlyWhenMissing=*/true);
            }
        }
    }

    if (mode == Mode::Full) {
        for (const auto* clone : clones) {
            for (const auto& rom : clone->roms) {
                for (std::size_t r = 0; r < folderCount; ++r) {
                    CopyRom(r, clone->name, rom.name, parentSet, false);
                    CopyRom(r, parent.name, rom.name, parentSet, false);
                }
            }
        }
    } else {
        std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> parentNames;
        for (const auto& rom : parent.roms)
            parentNames.insert(rom.name);
        for (const auto* clone : clones) {
            NewSet& cloneSet = sets.emplace_back();
            if (!StartSet(cloneSet, clone->name))
                return finish(false);
            for (const auto& rom : clone->roms) {
                if (mode == Mode::Split && parentNames.contains(rom.name))
                    continue;
                for (std::size_t r = 0; r < folderCount; ++r) {
                    CopyRom(r, clone->name, rom.name, cloneSet, false);
                    CopyRom(r, parent.name, rom.name, cloneSet, false);
                }
            }
        }
    }

    if (broken_)
        return finish(false);
    for (auto& set : sets) {
        if (!BuildSet(set))
            return finish(false);
    }

    // The old sets as they stand now, clone sets first; in a full merge the clone sets,
    // which get no new set, go last.
    std::vector<std::string> oldNames;
    for (std::size_t i = sets.size(); i-- > 0;)
        oldNames.push_back(sets[i].name);
    if (mode == Mode::Full) {
        for (const auto* clone : clones)
            oldNames.push_back(clone->name);
    }
    std::vector<OldSet> oldSets = FindOldSets(oldNames);

    // Every new set goes in place before anything old goes; when one cannot, those already
    // placed are taken back and the family stays as it was.
    for (std::size_t placed = 0; placed < sets.size(); ++placed) {
        if (PlaceSet(sets[placed]))
            continue;
        for (std::size_t i = placed; i-- > 0;)
            sets[i].keep = !UnplaceSet(sets[i]);
        return finish(false);
    }

    for (auto& set : sets)
        familySets_.push_back(&set);
    for (OldSet& old : oldSets) {
        // An old set that stood where a new one went has changed places with it.
        for (const auto& set : sets) {
            if (old.path == set.placedAt) {
                old.path = set.displaced;
                old.listed = false;
            }
        }
        if (!old.path.empty())
            RemoveOldSet(old);
    }
    return finish(true);
}

bool Merger::FamilyIsSafe(const std::vector<std::string>& setNames) const {
    const std::string& program = config_.programFolder;
    for (const auto& name : setNames) {
        for (std::size_t r = 0; r < romFolders_.size(); ++r) {
            const auto folder = folderNames_[r].FindFolder(name);
            if (!folder)
                continue;
            const std::string path = romFolders_[r] + *folder;
            if (IsSymbolicLink(path))
                continue;  // it goes as a link; what it points at is not touched
            // A folder that cannot be read whole would lose what could not be read; the
            // program folder holds the backups.
            if (IsSameOrInside(program, path) || IsSameOrInside(path, program) ||
                !IsReadableTree(path)) {
                return false;
            }
        }
    }
    return true;
}

std::vector<Merger::OldSet> Merger::FindOldSets(const std::vector<std::string>& setNames) const {
    std::vector<OldSet> found;
    for (const auto& name : setNames) {
        for (std::size_t r = 0; r < romFolders_.size(); ++r) {
            if (const auto folder = folderNames_[r].FindFolder(name))
                found.push_back({r, name, romFolders_[r] + *folder, true, true});
            if (const auto archive = folderNames_[r].FindFile(name + ".zip"))
                found.push_back({r, name, romFolders_[r] + *archive, false, true});
        }
    }
    return found;
}

const Merger::ArchiveListing& Merger::Listing(const std::string& archivePath) {
    auto it = listings_.find(archivePath);
    if (it == listings_.end()) {
        ArchiveListing listing;
        listing.readable = zipReader_.ReadZipDirectory(
            archivePath, listing.members, /*requireZipExtension=*/false, /*reportErrors=*/true);
        it = listings_.emplace(archivePath, std::move(listing)).first;
    }
    return it->second;
}

const FolderNames& Merger::SetFolderNames(const std::string& setFolder) {
    auto it = setFolders_.find(setFolder);
    if (it == setFolders_.end())
        it = setFolders_.emplace(setFolder, FolderNames(setFolder)).first;
    return it->second;
}

void Merger::CopyRom(std::size_t folderIndex, const std::string& setName,
                     const std::string& romName, NewSet& newSet, bool onlyWhenMissing) {
    const std::string folded = ToLowerAscii(romName);
    if (onlyWhenMissing && newSet.gatheredFolded.contains(folded))
        return;
    const auto markGathered = [&] {
        if (newSet.gatheredFolded.insert(folded).second)
            newSet.gathered.push_back(romName);
    };

    const std::string& folder = romFolders_[folderIndex];
    const FolderNames& names = folderNames_[folderIndex];
    const std::string target = newSet.temporary + kSeparator + romName;
    bool sourceFound = false;

    if (const auto setFolder = names.FindFolder(setName)) {
        const std::string setPath = folder + *setFolder;
        const FolderNames& files = SetFolderNames(setPath);
        if (!files.Listed())
            broken_ = true;  // what it holds cannot be seen, so it cannot go
        if (const auto file = files.FindFile(romName)) {
            sourceFound = true;
            if (CopyFileTo(setPath + kSeparator + *file, target, CopyMode::ReplaceExisting)) {
                markGathered();
                return;
            }
        }
    }
    if (const auto archiveName = names.FindFile(setName + ".zip")) {
        const ArchiveListing& listing = Listing(folder + *archiveName);
        // An archive that cannot be read whole may hold data we cannot see: keep it.
        if (!listing.readable)
            broken_ = true;
        bool extracted = false;
        const std::string part = newSet.temporary + kSeparator + ".vxtpart";
        for (const auto& member : listing.members) {
            if (!EqualsIgnoringCase(member.name, romName))
                continue;
            sourceFound = true;
            if (ExtractZipEntry(member, part, dialogs_) && ReplaceWith(part, target)) {
                extracted = true;
            } else {
                DeleteFileForced(part);
            }
        }
        if (extracted) {
            markGathered();
            return;
        }
    }
    // A file that exists but could not be copied must not be removed with its old set.
    if (sourceFound)
        broken_ = true;
}

bool Merger::ClearLeftover(const std::string& path, const std::string& setName) {
    if (!PathExists(path) && !IsSymbolicLink(path))
        return true;
    const BackupStore store(config_.programFolder);
    if (IsSymbolicLink(path))
        return false;  // not ours
    if (IsRegularFile(path)) {
        // An archive is kept as its members, which the scan can put back; anything else whole.
        std::vector<ZipEntry> members;
        if (!zipReader_.ReadZipDirectory(path, members, /*requireZipExtension=*/false,
                                         /*reportErrors=*/false)) {
            return store.MoveFileIn(path, setName, FileNamePart(path)).has_value();
        }
        const bool kept = BackUpArchive(path, setName) && DeleteFileForced(path);
        listings_.erase(path);  // another archive may come to bear this name
        return kept;
    }
    if (!IsFolder(path) || !IsReadableTree(path))
        return false;
    bool ok = true;
    for (const auto& entry : ListFolder(path)) {
        const std::string child = path + kSeparator + entry.name;
        if (!entry.isFolder && entry.name.starts_with(".vxtpart")) {
            // A copy or extraction cut short; its source was never removed.
            ok = DeleteFileForced(child) && ok;
        } else if (entry.isFolder) {
            ok = store.CopyIn(child, setName, entry.name).has_value() && RemoveFolderTree(child) &&
                 ok;
        } else {
            ok = store.MoveFileIn(child, setName, entry.name).has_value() && ok;
        }
    }
    return ok && RemoveEmptyFolder(path);
}

bool Merger::ClearLeftovers(const std::string& name) {
    const std::string base = first_ + name;
    bool ok = true;
    for (const char* suffix : {".vxt", ".vxtold", ".zip.vxtnew", ".zip.vxtold"})
        ok = ClearLeftover(base + suffix, name) && ok;
    return ok;
}

bool Merger::StartSet(NewSet& newSet, const std::string& name) {
    newSet.name = name;
    newSet.temporary = first_ + name + ".vxt";
    if (!ClearLeftovers(name))
        return false;
    newSet.madeTemporary = CreateFolder(newSet.temporary);
    return newSet.madeTemporary;
}

bool Merger::BuildSet(NewSet& newSet) {
    for (const auto& name : newSet.gathered) {
        if (!IsRegularFile(newSet.temporary + kSeparator + name))
            return false;
    }
    std::vector<std::string> files;
    for (const auto& entry : ListFolder(newSet.temporary)) {
        const std::string path = newSet.temporary + kSeparator + entry.name;
        if (entry.isFolder || !IsRegularFile(path))
            continue;
        files.push_back(path);
        newSet.contents[ToLowerAscii(entry.name)] = Content{FileLength(path).value_or(0), {}, path};
    }
    if (!zip_ || files.empty())
        return true;

    const std::string archive = first_ + newSet.name + ".zip.vxtnew";
    if (PathExists(archive) || !zipLibrary_.AddFiles(archive, files, /*junkPaths=*/true))
        return false;
    newSet.archive = archive;
    // Read back what was written: every file listed under its name with its size and CRC.
    std::vector<ZipEntry> members;
    if (!zipReader_.ReadZipDirectory(archive, members, false, false))
        return false;
    std::unordered_map<std::string, const ZipEntry*> byName;
    for (const auto& member : members)
        byName.emplace(member.name, &member);
    for (const auto& path : files) {
        const auto it = byName.find(FileNamePart(path));
        if (it == byName.end())
            return false;
        Content& content = newSet.contents[ToLowerAscii(FileNamePart(path))];
        if (it->second->size != content.size || it->second->crc != FileCrc(path))
            return false;
        content.crc = it->second->crc;
    }
    return true;
}

void Merger::DiscardSet(NewSet& newSet) {
    if (newSet.keep)
        return;  // what it holds is looked after as a leftover by the next run
    if (!newSet.archive.empty())
        DeleteFileForced(newSet.archive);
    newSet.archive.clear();
    if (newSet.madeTemporary)
        RemoveFolderTree(newSet.temporary);
}

bool Merger::PlaceSet(NewSet& newSet) {
    if (newSet.contents.empty())
        return true;  // nothing was gathered: the set ends with no set at all
    const std::string from = zip_ ? newSet.archive : newSet.temporary;
    const std::string to = first_ + newSet.name + (zip_ ? ".zip" : "");
    if (IsSymbolicLink(to))
        return false;  // a link is the user's; it is never replaced
    if (PathExists(to)) {
        // Only an old set of the same kind changes places with the new one.
        if (zip_ ? !IsRegularFile(to) : !IsFolder(to))
            return false;
        if (ExchangePaths(from, to)) {
            newSet.placed = Placed::Exchanged;
            newSet.displaced = from;
        } else {
            const std::string aside = to + ".vxtold";
            if (!RenameNoReplace(to, aside))
                return false;
            if (!RenameNoReplace(from, to)) {
                (void)RenameNoReplace(aside, to);
                return false;
            }
            newSet.placed = Placed::MovedAside;
            newSet.displaced = aside;
        }
    } else {
        if (!RenameNoReplace(from, to))
            return false;
        newSet.placed = Placed::Moved;
        folderNames_.front().Add(FileNamePart(to), /*isFolder=*/!zip_);
    }
    newSet.placedFrom = from;
    newSet.placedAt = to;
    // The two names now stand for other archives than any listed under them.
    listings_.erase(from);
    listings_.erase(to);
    if (!zip_) {
        for (auto& [name, content] : newSet.contents)
            content.path = to + kSeparator + FileNamePart(content.path);
    }
    return true;
}

bool Merger::UnplaceSet(NewSet& newSet) {
    const std::string& from = newSet.placedFrom;
    const std::string& to = newSet.placedAt;
    switch (newSet.placed) {
        case Placed::No:
            return true;
        case Placed::Moved:
            if (!RenameNoReplace(to, from))
                return false;
            folderNames_.front().Remove(FileNamePart(to));
            break;
        case Placed::Exchanged:
            if (!ExchangePaths(from, to))
                return false;
            break;
        case Placed::MovedAside:
            if (!RenameNoReplace(to, from) || !RenameNoReplace(newSet.displaced, to))
                return false;
            break;
    }
    newSet.placed = Placed::No;
    listings_.erase(from);
    listings_.erase(to);
    return true;
}

bool Merger::IsTaken(const std::string& name, std::uint64_t size,
                     const std::function<std::optional<std::uint32_t>()>& crcOf) {
    const std::string key = ToLowerAscii(name);
    std::optional<std::uint32_t> oldCrc;
    for (NewSet* set : familySets_) {
        const auto it = set->contents.find(key);
        if (it == set->contents.end() || it->second.size != size)
            continue;
        Content& content = it->second;
        if (!content.crc)
            content.crc = FileCrc(content.path);
        if (!oldCrc)
            oldCrc = crcOf();
        if (oldCrc && *oldCrc == *content.crc)
            return true;
    }
    return false;
}

void Merger::RemoveOldSet(const OldSet& old) {
    FolderNames& names = folderNames_[old.folderIndex];
    if (config_.options.Backup && !(old.isFolder ? BackUpFolder(old.path, old.setName)
                                                 : BackUpArchive(old.path, old.setName))) {
        return;
    }
    const bool removed = old.isFolder ? RemoveFolderTree(old.path) || !PathExists(old.path)
                                      : DeleteFileForced(old.path);
    if (removed && old.listed)
        names.Remove(FileNamePart(old.path));
}

bool Merger::BackUpFolder(const std::string& folder, const std::string& setName) {
    const BackupStore store(config_.programFolder);
    const auto entries = TryListFolder(folder);
    if (!entries)
        return false;
    bool ok = true;
    for (const auto& entry : *entries) {
        const std::string path = folder + kSeparator + entry.name;
        if (entry.isFolder) {
            ok = store.CopyIn(path, setName, entry.name).has_value() && ok;
            continue;
        }
        const std::uint64_t size = FileLength(path).value_or(0);
        if (IsTaken(entry.name, size,
                    [&] { return std::optional<std::uint32_t>(FileCrc(path)); })) {
            continue;
        }
        ok = store.MoveFileIn(path, setName, entry.name).has_value() && ok;
    }
    return ok;
}

bool Merger::BackUpArchive(const std::string& archive, const std::string& setName) {
    const BackupStore store(config_.programFolder);
    const auto wholeArchive = [&] {
        return store.CopyIn(archive, setName, FileNamePart(archive)).has_value();
    };
    const ArchiveListing& listing = Listing(archive);
    if (!listing.readable)
        return wholeArchive();
    ScratchFolder scratch(config_.scratchFolder);
    for (const auto& member : listing.members) {
        if (IsTaken(member.name, member.size,
                    [&] { return std::optional<std::uint32_t>(member.crc); })) {
            continue;
        }
        const std::string extracted = scratch.Path() + SafeFileName(member.name);
        if (!scratch.Ok() || !ExtractZipEntry(member, extracted, dialogs_) ||
            !store.MoveFileIn(extracted, setName, member.name)) {
            DeleteFileForced(extracted);
            return wholeArchive();
        }
    }
    return true;
}

}  // namespace vextral
