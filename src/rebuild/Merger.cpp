#include "rebuild/Merger.h"

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

// The game's ROM of that name (ignoring case), or null.
const RomRecord* RomNamed(const GameRecord& game, std::string_view name) {
    for (const auto& rom : game.roms) {
        if (EqualsIgnoringCase(rom.name, name))
            return &rom;
    }
    return nullptr;
}

// The names an interrupted run may have left beside a set in the first rom folder.
constexpr const char* kLeftoverSuffixes[] = {".vxt", ".vxtold", ".zip.vxtnew", ".zip.vxtold"};

bool SameListedData(const RomRecord& a, const RomRecord& b) {
    return a.size == b.size && a.crc == b.crc;
}

}  // namespace

Merger::Merger(const ScanConfig& config, const ScanPaths& paths, Dialogs& dialogs,
               Progress& progress, ZipLibrary& zipLibrary, const GameDatabase& database,
               const GameSelection& selection, ChangeJournal* journal)
    : config_(config),
      paths_(paths),
      dialogs_(dialogs),
      progress_(progress),
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      database_(database),
      selection_(selection) {
    journal_.Set(journal);
}

Merger::Outcome Merger::Merge(const MergeOptions& options) {
    return Run(config_.options.MergeFull ? Mode::Full : Mode::Split, options);
}

Merger::Outcome Merger::Unmerge(const MergeOptions& options) {
    return Run(Mode::Unmerge, options);
}

Merger::Outcome Merger::Run(Mode mode, const MergeOptions& options) {
    skippedParents_.clear();
    keptWithoutBackup_ = 0;
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

    const auto chosenParent = [this](std::size_t i) {
        return database_[i].isParent && i < selection_.size() && selection_[i].selected;
    };
    int count = 0;
    for (std::size_t i = 0; i < database_.size(); ++i)
        count += chosenParent(i) ? 1 : 0;
    Progress& progress = progress_;
    progress.OpenProgress(mode == Mode::Unmerge ? "Unmerging Roms" : "Merging Roms");
    if (count > 0)
        progress.SetProgressRange(0, count);
    progress.SetProgressStep(1);

    Outcome outcome = Outcome::Completed;
    for (std::size_t i = 0; i < database_.size(); ++i) {
        if (!chosenParent(i))
            continue;
        const GameRecord& game = database_[i];
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
    looseData_.clear();
    linked_.clear();

    family_ = {&parent};
    for (const auto& ref : parent.clones) {
        if (ref.index < database_.size())
            family_.push_back(&database_[ref.index]);
    }
    std::vector<NewSet> sets;
    sets.reserve(family_.size());
    const auto finish = [&](bool ok) {
        for (auto& set : sets) {
            if (!ok) {
                DiscardSet(set);
            } else if (set.madeTemporary && (zip_ || set.placed == Placed::No)) {
                // The files are in the archive now, or there were none. A folder that stays
                // is cleared as a leftover by the next run, its files kept in the backup.
                (void)journal_->RemoveTree(set.temporary);
            }
        }
        listings_.clear();
        setFolders_.clear();
        familySets_.clear();
        looseData_.clear();
        linked_.clear();
        family_.clear();
        return ok;
    };

    std::vector<std::string> familyNames;
    for (const auto* game : family_)
        familyNames.push_back(game->name);
    if (!FamilyHasFiles(familyNames))
        return finish(true);
    if (!FamilyIsSafe(familyNames))
        return finish(false);

    for (const SetPlan& plan : PlanFamily(mode, family_)) {
        NewSet& set = sets.emplace_back();
        if (!StartSet(set, plan.game->name))
            return finish(false);
        for (const PlannedRom& planned : plan.roms)
            GatherRom(*planned.owner, *planned.rom, set);
        if (broken_)
            return finish(false);
    }
    for (auto& set : sets) {
        if (!BuildSet(set))
            return finish(false);
    }

    // The old sets as they stand now, clone sets first.
    std::vector<std::string> oldNames(familyNames.rbegin(), familyNames.rend());
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

std::vector<Merger::SetPlan> Merger::PlanFamily(Mode mode,
                                                const std::vector<const GameRecord*>& family) {
    using ByName = std::unordered_map<std::string, const RomRecord*, CaseInsensitiveHash,
                                      CaseInsensitiveEqual>;
    std::vector<SetPlan> plan(family.size());
    const GameRecord& parent = *family.front();
    plan[0].game = &parent;
    ByName parentRoms;
    for (const auto& rom : parent.roms) {
        parentRoms.emplace(rom.name, &rom);
        plan[0].roms.push_back({&parent, &rom});
    }
    // The names of the full-merged set and the ROM each stands for: the parent's first, then
    // the first clone's to claim a name the parent does not list.
    ByName merged = parentRoms;
    for (std::size_t i = 1; i < family.size(); ++i) {
        const GameRecord& clone = *family[i];
        plan[i].game = &clone;
        for (const auto& rom : clone.roms) {
            const auto parentRom = parentRoms.find(rom.name);
            if (mode == Mode::Split && parentRom != parentRoms.end() &&
                SameListedData(*parentRom->second, rom)) {
                continue;  // the parent's set holds it
            }
            if (mode != Mode::Full) {
                plan[i].roms.push_back({&clone, &rom});
                continue;
            }
            const auto [slot, claimed] = merged.emplace(rom.name, &rom);
            if (claimed)
                plan[0].roms.push_back({&clone, &rom});
            else if (!SameListedData(*slot->second, rom))
                plan[i].roms.push_back({&clone, &rom});  // the name stands for other data
        }
    }
    return plan;
}

bool Merger::FamilyHasFiles(const std::vector<std::string>& setNames) const {
    for (const auto& name : setNames) {
        for (const FolderNames& names : folderNames_) {
            if (names.Contains(name) || names.Contains(name + ".zip"))
                return true;
        }
        for (const char* suffix : kLeftoverSuffixes) {
            if (folderNames_.front().Contains(name + suffix))
                return true;
        }
    }
    return false;
}

bool Merger::FamilyIsSafe(const std::vector<std::string>& setNames) {
    const std::string& program = config_.programFolder;
    for (const auto& name : setNames) {
        for (std::size_t r = 0; r < romFolders_.size(); ++r) {
            // An archive that cannot be read may hold data nobody can see; it stays.
            const auto archive = folderNames_[r].FindFile(name + ".zip");
            if (archive && !Listing(romFolders_[r] + *archive).readable)
                return false;
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

void Merger::FindCandidates(const GameRecord& holder, const std::string& romName,
                            std::vector<Candidate>& found) {
    for (std::size_t r = 0; r < romFolders_.size(); ++r) {
        const std::string& folder = romFolders_[r];
        const FolderNames& names = folderNames_[r];
        if (const auto setFolder = names.FindFolder(holder.name)) {
            const std::string setPath = folder + *setFolder;
            const FolderNames& files = SetFolderNames(setPath);
            if (!files.Listed())
                broken_ = true;  // what it holds cannot be seen, so it cannot go
            if (const auto file = files.FindFile(romName))
                found.push_back({&holder, setPath + kSeparator + *file, nullptr});
        }
        if (const auto archiveName = names.FindFile(holder.name + ".zip")) {
            for (const auto& member : Listing(folder + *archiveName).members) {
                if (EqualsIgnoringCase(member.name, romName))
                    found.push_back({&holder, {}, &member});
            }
        }
    }
}

std::optional<FileData> Merger::DataOf(const Candidate& candidate) {
    if (candidate.member != nullptr)
        return FileData{candidate.member->size, candidate.member->crc};
    auto it = looseData_.find(candidate.loosePath);
    if (it == looseData_.end())
        it = looseData_.emplace(candidate.loosePath, FileSizeAndCrc(candidate.loosePath)).first;
    return it->second;
}

void Merger::GatherRom(const GameRecord& owner, const RomRecord& rom, NewSet& newSet) {
    std::vector<Candidate> own;
    FindCandidates(owner, rom.name, own);
    std::vector<Candidate> others;
    for (const GameRecord* holder : family_) {
        if (holder != &owner)
            FindCandidates(*holder, rom.name, others);
    }
    if (own.size() == 1 && others.empty()) {
        Take(own.front(), rom.name, std::nullopt, newSet);  // nothing to choose from
        return;
    }
    const auto right = [&](const FileData& data) {
        return rom.crc != 0 && data.size == rom.size &&
               (data.crc == rom.crc || data.crc == rom.complementedCrc);
    };
    // Another game's copy stands in for a damaged or missing one only where that game does not
    // list the name for other data.
    const auto mayStandIn = [&](const GameRecord& holder) {
        const RomRecord* listed = RomNamed(holder, rom.name);
        return listed == nullptr || (listed->size == rom.size && listed->crc == rom.crc);
    };
    std::optional<std::pair<const Candidate*, FileData>> fallback;
    for (const auto* candidates : {&own, &others}) {
        for (const Candidate& candidate : *candidates) {
            const auto data = DataOf(candidate);
            if (!data) {
                broken_ = true;  // a copy that cannot be read can neither be weighed nor go
                return;
            }
            if (right(*data)) {
                Take(candidate, rom.name, data, newSet);
                return;
            }
            if (!fallback && (candidates == &own || mayStandIn(*candidate.holder)))
                fallback.emplace(&candidate, *data);
        }
    }
    if (fallback)
        Take(*fallback->first, rom.name, fallback->second, newSet);
}

void Merger::Take(const Candidate& candidate, const std::string& romName,
                  const std::optional<FileData>& data, NewSet& newSet) {
    // The folder is made only for a set that gets a file: most games of a large list have
    // no set at all.
    if (!newSet.madeTemporary) {
        newSet.madeTemporary = journal_->MakeFolder(newSet.temporary);
        if (!newSet.madeTemporary) {
            broken_ = true;
            return;
        }
    }
    const std::string target = newSet.temporary + kSeparator + romName;
    bool copied = false;
    if (candidate.member == nullptr) {
        // On the same disk a second name costs no data written; the old set keeps its own
        // name to the file until it goes.
        const bool link = linked_.insert(candidate.loosePath).second;
        copied = (link && journal_->LinkIn(candidate.loosePath, target)) ||
                 journal_->CopyFile(candidate.loosePath, target, CopyMode::ReplaceExisting);
    } else {
        copied = journal_->Produce(target, [&] {
            // An earlier copy of that name is ours to replace, whatever its permissions.
            ClearFileAttributes(target);
            return ExtractZipEntry(*candidate.member, target, dialogs_);
        });
    }
    // A file that exists but could not be copied must not be removed with its old set.
    if (!copied) {
        broken_ = true;
        return;
    }
    newSet.gathered.push_back(romName);
    if (data)
        newSet.gatheredCrcs[ToLowerAscii(romName)] = data->crc;
    else if (journal_->Pretends())  // nothing was copied to read it from later
        newSet.gatheredCrcs[ToLowerAscii(romName)] =
            candidate.member != nullptr ? candidate.member->crc : FileCrc(candidate.loosePath);
    newSet.gatheredSizes[ToLowerAscii(romName)] = data ? data->size
                                                  : candidate.member != nullptr
                                                      ? candidate.member->size
                                                      : FileLength(candidate.loosePath).value_or(0);
}

bool Merger::ClearLeftover(const std::string& path, const std::string& setName) {
    if (!PathExists(path) && !IsSymbolicLink(path))
        return true;
    const BackupStore store(config_.programFolder, &*journal_);
    if (IsSymbolicLink(path))
        return false;  // not ours
    if (IsRegularFile(path)) {
        // An archive is kept as its members, which the scan can put back; anything else whole.
        std::vector<ZipEntry> members;
        if (!zipReader_.ReadZipDirectory(path, members, /*requireZipExtension=*/false,
                                         /*reportErrors=*/false)) {
            return store.MoveFileIn(path, setName, FileNamePart(path)).has_value();
        }
        const bool kept =
            BackUpArchive(path, setName, Keeping::Everything) && journal_->RemoveFile(path);
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
            ok = journal_->RemoveFile(child) && ok;
        } else if (entry.isFolder) {
            ok = store.CopyIn(child, setName, entry.name).has_value() &&
                 journal_->RemoveTree(child) && ok;
        } else {
            ok = store.MoveFileIn(child, setName, entry.name).has_value() && ok;
        }
    }
    return ok && journal_->RemoveEmptyFolder(path);
}

bool Merger::ClearLeftovers(const std::string& name) {
    const std::string base = first_ + name;
    bool ok = true;
    for (const char* suffix : kLeftoverSuffixes)
        ok = ClearLeftover(base + suffix, name) && ok;
    return ok;
}

bool Merger::StartSet(NewSet& newSet, const std::string& name) {
    newSet.name = name;
    newSet.temporary = first_ + name + ".vxt";
    return ClearLeftovers(name);
}

bool Merger::BuildSet(NewSet& newSet) {
    if (!newSet.madeTemporary)
        return true;  // nothing was gathered
    const bool plan = journal_->Pretends();
    for (const auto& name : newSet.gathered) {
        if (!plan && !IsRegularFile(newSet.temporary + kSeparator + name))
            return false;
    }
    // A plan's folder holds what was gathered, in the order a listing would give.
    std::vector<DirEntry> listing;
    if (plan) {
        for (const auto& name : newSet.gathered)
            listing.push_back({name, /*isFolder=*/false, /*isSpecial=*/false});
        std::sort(listing.begin(), listing.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        listing.erase(
            std::unique(listing.begin(), listing.end(),
                        [](const DirEntry& a, const DirEntry& b) { return a.name == b.name; }),
            listing.end());
    } else {
        listing = ListFolder(newSet.temporary);
    }
    std::vector<std::string> files;
    for (const auto& entry : listing) {
        const std::string path = newSet.temporary + kSeparator + entry.name;
        if (entry.isFolder || (!plan && !IsRegularFile(path)))
            continue;
        files.push_back(path);
        const std::string key = ToLowerAscii(entry.name);
        const auto size = plan ? newSet.gatheredSizes[key] : FileLength(path).value_or(0);
        Content content{size, {}, path};
        if (const auto known = newSet.gatheredCrcs.find(key); known != newSet.gatheredCrcs.end())
            content.crc = known->second;
        newSet.contents[key] = std::move(content);
    }
    if (!zip_ || files.empty())
        return true;

    const std::string archive = first_ + newSet.name + ".zip.vxtnew";
    if (PathExists(archive) || !journal_->AddFilesByName(zipLibrary_, archive, files))
        return false;
    newSet.archive = archive;
    if (journal_->Pretends())
        return true;  // nothing was written to read back
    // Read back what was written: every file listed under its name with the size and CRC-32
    // of its source, and its data decompressing to them.
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
        if (!content.crc)
            content.crc = FileCrc(path);
        if (it->second->size != content.size || it->second->crc != *content.crc ||
            !VerifyZipEntry(*it->second)) {
            return false;
        }
    }
    return true;
}

void Merger::DiscardSet(NewSet& newSet) {
    if (newSet.keep)
        return;  // what it holds is looked after as a leftover by the next run
    // What cannot be removed now is a leftover for the next run, which keeps its files.
    if (!newSet.archive.empty())
        (void)journal_->RemoveFile(newSet.archive);
    newSet.archive.clear();
    if (newSet.madeTemporary)
        (void)journal_->RemoveTree(newSet.temporary);
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
        if (journal_->Exchange(from, to)) {
            newSet.placed = Placed::Exchanged;
            newSet.displaced = from;
        } else {
            const std::string aside = to + ".vxtold";
            if (!journal_->Rename(to, aside))
                return false;
            if (!journal_->Rename(from, to)) {
                (void)journal_->Rename(aside, to);
                return false;
            }
            newSet.placed = Placed::MovedAside;
            newSet.displaced = aside;
        }
    } else {
        if (!journal_->Rename(from, to))
            return false;
        newSet.placed = Placed::Moved;
        folderNames_.front().Add(FileNamePart(to), /*isFolder=*/!zip_);
    }
    newSet.placedFrom = from;
    newSet.placedAt = to;
    // A plan's old set is still where it was: the name it went to stands for it.
    std::optional<ArchiveListing> displaced;
    if (journal_->Pretends() && zip_ && newSet.placed != Placed::Moved)
        displaced = Listing(to);
    // The two names now stand for other archives than any listed under them.
    listings_.erase(from);
    listings_.erase(to);
    if (displaced)
        listings_[newSet.displaced] = std::move(*displaced);
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
            if (!journal_->Rename(to, from))
                return false;
            folderNames_.front().Remove(FileNamePart(to));
            break;
        case Placed::Exchanged:
            if (!journal_->Exchange(from, to))
                return false;
            break;
        case Placed::MovedAside:
            if (!journal_->Rename(to, from) || !journal_->Rename(newSet.displaced, to))
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

bool Merger::IsHeld(std::uint64_t size, std::uint32_t crc) {
    for (NewSet* set : familySets_) {
        for (auto& [name, content] : set->contents) {
            if (content.size != size)
                continue;
            if (!content.crc)
                content.crc = FileCrc(content.path);
            if (*content.crc == crc)
                return true;
        }
    }
    return false;
}

bool Merger::IsListedData(std::uint64_t size, std::uint32_t crc) {
    const auto key = [](std::uint64_t length, std::uint32_t value) {
        return (length << 32) | value;
    };
    if (!listedDataMade_) {
        for (const auto& game : database_) {
            for (const auto& rom : game.roms) {
                if (rom.crc == 0)
                    continue;
                listedData_.insert(key(rom.size, rom.crc));
                listedData_.insert(key(rom.size, rom.complementedCrc));
            }
        }
        listedDataMade_ = true;
    }
    return listedData_.contains(key(size, crc));
}

bool Merger::MustKeep(const std::string& name, std::uint64_t size,
                      const std::function<std::optional<std::uint32_t>()>& crcOf) {
    if (config_.options.Backup)
        return !IsTaken(name, size, crcOf);
    // The user asked for no copies, not for the loss of originals.
    const auto crc = crcOf();
    return !crc || (IsListedData(size, *crc) && !IsHeld(size, *crc));
}

void Merger::RemoveOldSet(const OldSet& old) {
    FolderNames& names = folderNames_[old.folderIndex];
    if (!(old.isFolder ? BackUpFolder(old.path, old.setName)
                       : BackUpArchive(old.path, old.setName, Keeping::WhatMustStay))) {
        return;
    }
    const bool removed = old.isFolder ? journal_->RemoveTree(old.path) || !PathExists(old.path)
                                      : journal_->RemoveFile(old.path);
    if (removed && old.listed)
        names.Remove(FileNamePart(old.path));
}

bool Merger::BackUpFolder(const std::string& folder, const std::string& setName) {
    const BackupStore store(config_.programFolder, &*journal_);
    const auto entries = TryListFolder(folder);
    if (!entries)
        return false;
    bool ok = true;
    for (const auto& entry : *entries) {
        const std::string path = folder + kSeparator + entry.name;
        if (entry.isFolder) {
            if (config_.options.Backup)
                ok = store.CopyIn(path, setName, entry.name).has_value() && ok;
            else if (!IsSymbolicLink(path))
                ok = BackUpFolder(path, setName) && ok;
            continue;
        }
        const std::uint64_t size = FileLength(path).value_or(0);
        const auto crcOf = [&]() -> std::optional<std::uint32_t> {
            const auto data = FileSizeAndCrc(path);
            return data ? std::optional(data->crc) : std::nullopt;
        };
        if (IsSymbolicLink(path) || !MustKeep(entry.name, size, crcOf))
            continue;
        ok = Kept(store.MoveFileIn(path, setName, entry.name).has_value()) && ok;
    }
    return ok;
}

bool Merger::BackUpArchive(const std::string& archive, const std::string& setName,
                           Keeping keeping) {
    const BackupStore store(config_.programFolder, &*journal_);
    const bool counted = keeping == Keeping::WhatMustStay;
    const auto wholeArchive = [&] {
        const bool kept = store.CopyIn(archive, setName, FileNamePart(archive)).has_value();
        return counted ? Kept(kept) : kept;
    };
    const ArchiveListing& listing = Listing(archive);
    if (!listing.readable)
        return wholeArchive();
    ScratchFolder scratch(config_.scratchFolder);
    for (const auto& member : listing.members) {
        if (counted && !MustKeep(member.name, member.size,
                                 [&] { return std::optional<std::uint32_t>(member.crc); })) {
            continue;
        }
        const std::string extracted = scratch.Path() + SafeFileName(member.name);
        if (!scratch.Ok() || !ExtractZipEntry(member, extracted, dialogs_) ||
            !store.MoveFileIn(extracted, setName, member.name)) {
            (void)DeleteFileForced(extracted);  // the scratch folder goes with it anyway
            return wholeArchive();
        }
        if (counted)
            (void)Kept(true);
    }
    return true;
}

bool Merger::Kept(bool kept) {
    if (kept && !config_.options.Backup)
        ++keptWithoutBackup_;
    return kept;
}

}  // namespace vextral
