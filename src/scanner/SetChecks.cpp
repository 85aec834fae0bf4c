// The scan itself: every selected game's sets are looked for in the configured folders and
// each ROM and sample is checked; the findings go into the per-scan fields of the records.

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <thread>
#include <unordered_set>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "fixer/ProcessScratch.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/Scanner.h"

namespace vextral {

namespace {

constexpr std::string_view kZipExtension = ".zip";
constexpr std::string_view kNeoGeoSet = "neogeo";
constexpr std::string_view kSampleBiosSet = "ym3812";
constexpr std::string_view kUnknownSet = "_unknown";
constexpr std::string_view kBackupFolder = "backup.vxt";

struct BiosFile {
    std::string_view name;
    std::uint32_t crc;
};
constexpr std::uint32_t kNeoGeoBiosSize = 0x20000;
constexpr std::array<BiosFile, 4> kNeoGeoBios{{
    {"neo-geo.rom", 0x9036D879},
    {"ng-sfix.rom", 0x354029FC},
    {"ng-sm1.rom", 0x97CF998B},
    {"im_bios.rom", 0x853E6B96},
}};

// The scan leaves the processor to others once per game; the system preempts anyway, and a
// yield per file would cost more than the scan's own work on a busy machine.
void YieldProcessor() {
    std::this_thread::yield();
}

std::optional<std::size_t> FindMember(const std::vector<ZipEntry>& members, std::string_view name) {
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (EqualsIgnoringCase(members[i].name, name))
            return i;
    }
    return std::nullopt;
}

bool ContainsIgnoringCase(const std::vector<std::string>& texts, std::string_view text) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return EqualsIgnoringCase(t, text); });
}

// The parent record found by name: parentIndex is left at 0 for a clone whose parent is
// itself a clone, and would then name an unrelated game.
const GameRecord* ParentOf(const GameRecord& game, const GameDatabase& database) {
    if (!game.isClone)
        return nullptr;
    if (game.parentIndex < database.size() &&
        EqualsIgnoringCase(database[game.parentIndex].name, game.cloneOf) &&
        !database[game.parentIndex].isClone)
        return &database[game.parentIndex];
    const auto index = database.FindGame(game.cloneOf);
    return index ? &database[*index] : nullptr;
}

// A set zip's members as listed: the kept listing, copied only when a fix is about to change
// the list in place.
class MemberList {
  public:
    void Assign(std::shared_ptr<const std::vector<ZipEntry>> kept) {
        kept_ = std::move(kept);
        own_.clear();
        owned_ = false;
    }
    bool Read() const { return owned_ || kept_ != nullptr; }
    const std::vector<ZipEntry>& Get() const {
        static const std::vector<ZipEntry> kNone;
        return owned_ ? own_ : (kept_ ? *kept_ : kNone);
    }
    std::vector<ZipEntry>& Mutable() {
        if (!owned_) {
            own_ = Get();
            owned_ = true;
            kept_.reset();
        }
        return own_;
    }

  private:
    std::shared_ptr<const std::vector<ZipEntry>> kept_;
    std::vector<ZipEntry> own_;
    bool owned_ = false;
};

bool IsNeoGeoBiosName(std::string_view name, bool allFound) {
    for (std::size_t i = 0; i < kNeoGeoBios.size(); ++i) {
        if (i == 3 && !allFound)
            break;
        if (EqualsIgnoringCase(name, kNeoGeoBios[i].name))
            return true;
    }
    return false;
}

}  // namespace

void Scanner::ResetBeforeScan(GameDatabase& database, bool fullScan) {
    for (GameRecord& game : database) {
        game.setFound = false;
        game.setNameOk = false;
        game.setNameFixed = false;
        game.foundSetName.clear();
        game.unneededList.clear();
        game.wrongNameList.clear();
        if (fullScan)
            game.needsRescan = true;
        for (RomRecord& rom : game.roms) {
            rom.found = false;
            rom.lengthOk = false;
            rom.nameCaseOk = false;
            rom.crcOk = false;
            rom.crcKnown = false;
            rom.lengthFixed = false;
            rom.caseFixed = false;
            rom.foundName.clear();
            rom.foundLength = 0;
            rom.foundCrc = 0;
            rom.zipIndex = 0;
        }
        for (SampleRecord& sample : game.samples) {
            sample.found = false;
            sample.nameCaseOk = false;
            sample.caseFixed = false;
            sample.foundName.clear();
            sample.zipIndex = 0;
        }
    }
}

bool Scanner::EndScan(bool result) {
    progress_.CloseProgress();
    romNames_.clear();
    unneededSeenFor_ = nullptr;
    return result;
}

bool Scanner::ScanGames(GameDatabase& database) {
    consent.Reset(config.options);
    fastScanAvailable = false;
    counters = {};
    results_.ClearResults();
    logText.clear();
    missingFiles.clear();
    hasTopLine_ = false;
    index_.Reset();
    romNames_.clear();
    unneededSeenFor_ = nullptr;

    progress_.OpenProgress("Scanning Games");
    progress_.SetProgressRange(0, static_cast<int>(database.size()));
    progress_.SetProgressStep(1);

    neededByLocation_.clear();
    lastNeeded_ = nullptr;
    FindNeoGeoBios();

    const bool unneededOn = config.options.Unneeded || config.options.UnneededAdvanced;
    const bool missingOn = config.options.Missing || config.options.MissingAdvanced;
    const auto stopped = [this] { return consent.StopRequested(); };

    GameRecord collector;
    collector.description = "<unknown>";
    if (config.options.Games && unneededOn) {
        for (const std::string& folder : paths.romList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/true);
        for (const std::string& folder : paths.sampleList)
            CheckUnneededInPath(folder, collector, database, /*isRomFolder=*/false);
    }
    if (config.options.FixUnneeded) {
        fixer_.RemoveUnneeded(collector);
        index_.Reset();
    }
    AddUnneededLines(collector, /*child=*/false);
    // A Stop answered for these entries still shows them, fixed or not; no game is visited.
    if (stopped())
        return EndScan(false);

    for (GameRecord& game : database) {
        progress_.SetProgressText(game.description);
        progress_.AdvanceProgress();
        progress_.Repaint();
        if (progress_.IsStopRequested()) {
            fastScanAvailable = false;
            return EndScan(false);
        }
        if (!game.selected || !game.needsRescan || !PassesNeoGeoFilter(game))
            continue;
        YieldProcessor();
        index_.StartGame();
        unneededSeenFor_ = nullptr;

        if (config.options.Games) {
            for (const std::string& folder : paths.romList) {
                if (config.options.MergeFull && game.isClone) {
                    CheckSetName(game, folder + game.cloneOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSetName(game, folder + game.name);
                if (stopped())
                    return EndScan(false);
            }
        }
        if (config.options.Roms) {
            for (const std::string& folder : paths.romList) {
                if ((config.options.MergeSplit || config.options.MergeFull) && game.isClone) {
                    CheckRomSet(game, folder + game.cloneOf, /*isParentLocation=*/true, database);
                    if (stopped())
                        return EndScan(false);
                }
                CheckRomSet(game, folder + game.name, /*isParentLocation=*/false, database);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInRomSet(folder, game.name, game, database);
            }
        }
        if (config.options.Samples) {
            for (const std::string& folder : paths.sampleList) {
                if (config.options.AltSamples && game.hasSampleOf) {
                    CheckSampleSet(game, folder + game.sampleOf);
                    if (stopped())
                        return EndScan(false);
                }
                CheckSampleSet(game, folder + game.name);
                if (stopped())
                    return EndScan(false);
                if (unneededOn)
                    CheckUnneededInSampleSet(folder, game.name, game);
            }
        }

        std::erase_if(game.unneededList,
                      [this](const UnneededEntry& entry) { return IsNeededFile(entry.path); });
        HoldWrongNamedData(game, database);
        if (config.options.FixUnneeded) {
            const bool anything = !game.unneededList.empty();
            fixer_.RemoveUnneeded(game);
            if (anything)
                index_.Reset();
            if (stopped())
                return EndScan(false);
        }
        if (config.options.Samples || config.options.Roms || config.options.Games) {
            game.needsRescan = BuildResultLines(game);
            if (game.needsRescan)
                fastScanAvailable = true;
        }
        if (config.options.Batchrun && config.options.Games && missingOn) {
            RunBatchFile(game);
            // The batch file may have changed any set.
            index_.InvalidateAll();
        }
    }
    return EndScan(true);
}

void Scanner::FindNeoGeoBios() {
    std::array<bool, kNeoGeoBios.size()> present{};
    for (const std::string& folder : paths.romList) {
        for (std::size_t i = 0; i < kNeoGeoBios.size(); ++i) {
            const std::string path =
                folder + std::string(kNeoGeoSet) + kSeparator + std::string(kNeoGeoBios[i].name);
            if (FileExistsInSet(path, /*verify=*/true, kNeoGeoBios[i].crc, kNeoGeoBiosSize))
                present[i] = true;
        }
    }
    neoGeoBiosFound = present[0] && present[1] && present[2];
    neoGeoBiosFoundAll = neoGeoBiosFound && present[3];
}

// ---- Lookups through the collection index ----

Scanner::FileMatch Scanner::FindInSet(const SetLocation& location, bool zipRead,
                                      const std::vector<ZipEntry>& members,
                                      std::string_view fileName) {
    FileMatch match;
    if (location.hasFolder) {
        const DirEntry* file = index_.Find(location.setFolder, fileName);
        if (file != nullptr && !file->isFolder) {
            match.loose = true;
            match.looseName = file->name;
        }
    }
    if (zipRead)
        match.member = FindMember(members, fileName);
    return match;
}

bool Scanner::ExistsInSet(const std::string& folder, const std::string& setName,
                          std::string_view fileName) {
    const auto location = index_.Location(folder + setName);
    bool answer = false;
    if (location->hasZip) {
        if (const auto members = index_.SetZipMembers(location->zipPath))
            answer = FindMember(*members, fileName).has_value();
    }
    if (location->hasFolder) {
        const DirEntry* file = index_.Find(location->setFolder, fileName);
        if (file != nullptr && !file->isFolder)
            return true;
    }
    return answer;
}

bool Scanner::RestoreFromBackup(const GameRecord& game, const std::string& fileName,
                                const SetLocation& location, bool zipRead, const RomRecord* rom) {
    const std::string backupRoot = config.programFolder + std::string(kBackupFolder) + kSeparator;
    const DirEntry* setBackup = index_.Snapshot(backupRoot).Find(game.name);
    if (setBackup == nullptr || !setBackup->isFolder)
        return false;
    const std::string backupSet = backupRoot + setBackup->name + kSeparator;
    const DirEntry* file = index_.Find(backupSet, fileName);
    if (file == nullptr || file->isFolder)
        return false;
    const std::string source = backupSet + file->name;
    if (rom != nullptr) {
        const auto data = FileSizeAndCrc(source);
        if (!data || data->size != rom->size ||
            (rom->crc != 0 && data->crc != rom->crc && data->crc != rom->complementedCrc)) {
            return false;
        }
    }

    bool restored = false;
    if (zipRead) {
        restored = zipLibrary_.AddFiles(location.zipPath, {source}, /*junkPaths=*/true);
        index_.Invalidate(location.folder);
    } else {
        // Without a set folder the copy fails, as it should: the set is not there.
        const std::string setFolder =
            location.hasFolder ? location.setFolder : location.folder + location.name + kSeparator;
        restored = CopyFileTo(source, setFolder + fileName, CopyMode::ReplaceExisting);
        index_.Invalidate(setFolder);
    }
    return restored;
}

bool Scanner::MayRestoreFromBackup(const GameDatabase& database) {
    const std::string backupRoot = config.programFolder + std::string(kBackupFolder) + kSeparator;
    for (const DirEntry& setBackup : ListFolder(backupRoot)) {
        const auto index = setBackup.isFolder ? database.FindGame(setBackup.name) : std::nullopt;
        if (!index)
            continue;
        const GameRecord& game = database[*index];
        if (!game.selected || !PassesNeoGeoFilter(game))
            continue;
        for (const DirEntry& file : ListFolder(backupRoot + setBackup.name)) {
            const auto sampleNamed = [&](const SampleRecord& sample) {
                return EqualsIgnoringCase(sample.name, file.name);
            };
            if (file.isFolder)
                continue;
            if ((config.options.Roms && RomNamed(game, file.name) != nullptr) ||
                (config.options.Samples &&
                 std::any_of(game.samples.begin(), game.samples.end(), sampleNamed))) {
                return true;
            }
        }
    }
    return false;
}

const RomRecord* Scanner::RomNamed(const GameRecord& game, std::string_view name) {
    constexpr std::size_t kIndexFrom = 16;
    if (game.roms.size() < kIndexFrom) {
        const auto rom = std::find_if(game.roms.begin(), game.roms.end(), [&](const RomRecord& r) {
            return EqualsIgnoringCase(r.name, name);
        });
        return rom == game.roms.end() ? nullptr : &*rom;
    }
    auto& index = romNames_[&game];
    if (index.empty()) {
        for (const RomRecord& rom : game.roms)
            index.emplace(rom.name, &rom);
    }
    const auto rom = index.find(name);
    return rom == index.end() ? nullptr : rom->second;
}

bool Scanner::HoldsCopy(const std::string& folder, const std::string& setName,
                        std::string_view fileName, const FileData& data) {
    const auto location = index_.Location(folder + setName);
    if (location->hasZip) {
        if (const auto members = index_.SetZipMembers(location->zipPath)) {
            for (const ZipEntry& member : *members) {
                if (EqualsIgnoringCase(member.name, fileName) && member.size == data.size &&
                    member.crc == data.crc)
                    return true;
            }
        }
    }
    if (location->hasFolder) {
        const DirEntry* file = index_.Find(location->setFolder, fileName);
        if (file != nullptr && !file->isFolder) {
            const std::string path = location->setFolder + file->name;
            const auto length = FileLength(path);
            return length && *length == data.size && index_.LooseCrc(path) == data.crc;
        }
    }
    return false;
}

void Scanner::AddUnneeded(GameRecord& game, UnneededEntry entry) {
    if (unneededSeenFor_ != &game || unneededSeenCount_ != game.unneededList.size()) {
        unneededSeen_.clear();
        for (const UnneededEntry& listed : game.unneededList)
            unneededSeen_.insert(listed.path);
        unneededSeenFor_ = &game;
    }
    if (!unneededSeen_.insert(entry.path).second)
        return;
    game.unneededList.push_back(std::move(entry));
    unneededSeenCount_ = game.unneededList.size();
}

void Scanner::AddNeededFile(const std::string& location, const std::string& name) {
    // The members of one set come one after the other.
    if (lastNeeded_ == nullptr || lastNeededLocation_ != location) {
        lastNeeded_ = &neededByLocation_[location];
        lastNeededLocation_ = location;
    }
    const bool present =
        std::any_of(lastNeeded_->begin(), lastNeeded_->end(),
                    [&](const std::string& needed) { return EqualsIgnoringCase(needed, name); });
    if (present)
        return;
    lastNeeded_->push_back(name);
}

bool Scanner::IsNeededFile(std::string_view path) const {
    const auto slash = path.rfind(kSeparator);
    if (slash == std::string_view::npos)
        return false;
    const auto names = neededByLocation_.find(path.substr(0, slash));
    if (names == neededByLocation_.end())
        return false;
    const std::string_view name = path.substr(slash + 1);
    return std::any_of(names->second.begin(), names->second.end(),
                       [&](const std::string& needed) { return EqualsIgnoringCase(needed, name); });
}

// ---- The checks of one location ----

void Scanner::CheckSetName(GameRecord& game, const std::string& location) {
    // The same test as SetExists, through the resolution the other checks reuse.
    const auto resolved = index_.Location(location);
    const SetLocation& set = *resolved;
    if (!set.hasFolder && !set.hasZip)
        return;
    game.setFound = true;
    if (!config.options.Spelling)
        return;
    // A clone's set may lie in its parent's under the parent's name, folder or zip alike.
    const auto rightName = [&](const std::string& found) {
        return found == game.name || ((config.options.MergeFull || config.options.MergeSplit) &&
                                      game.isClone && found == game.cloneOf);
    };
    if (set.hasFolder) {
        game.foundSetName = FileNamePart(WithoutSeparator(set.setFolder));
        game.setNameOk = rightName(game.foundSetName);
    }
    if (set.hasZip) {
        game.foundSetName = FileNamePart(set.zipStem);
        game.setNameOk = rightName(game.foundSetName);
    }
    if (!game.setNameOk && config.options.FixSpelling) {
        fixer_.FixGameSpelling(location, game);
        index_.Invalidate(set.folder);
    }
}

void Scanner::CheckRomSet(GameRecord& game, const std::string& location, bool isParentLocation,
                          GameDatabase& database) {
    auto set = index_.Location(location);
    MemberList members;
    const auto list = [&] {
        members.Assign(set->hasZip ? index_.SetZipMembers(set->zipPath) : nullptr);
        return members.Read();
    };
    bool zipRead = list();

    if (config.options.RightName && !isParentLocation)
        CheckWrongNames(game, location, zipRead, members.Get(), database);
    if (config.options.FixName && !isParentLocation) {
        const bool anything = !game.wrongNameList.empty();
        fixer_.FixWrongNamedRoms(game);
        if (anything) {
            index_.Invalidate(set->folder);
        }
        if (consent.StopRequested())
            return;
        set = index_.Location(location);
        zipRead = list();
    }

    // In the parent's set a clone's ROM is looked for under its own name only when the parent
    // does not list that name for other data; and nothing there is this game's to fix.
    const GameRecord* parent = isParentLocation ? ParentOf(game, database) : nullptr;
    const bool mayFix = !isParentLocation;
    for (RomRecord& rom : game.roms) {
        rom.lookupName = rom.name;
        const RomRecord* parentRom = parent != nullptr ? RomNamed(*parent, rom.name) : nullptr;
        const bool ownNameHere =
            parentRom == nullptr || (parentRom->size == rom.size && parentRom->crc == rom.crc);
        FileMatch match;
        if (ownNameHere)
            match = FindInSet(*set, zipRead, members.Get(), rom.lookupName);
        if (!match.Found() && !config.options.MissingAdvanced) {
            for (const std::string& other : rom.otherNames) {
                match = FindInSet(*set, zipRead, members.Get(), other);
                if (match.Found()) {
                    rom.lookupName = other;
                    break;
                }
            }
        }
        bool foundHere = match.Found();
        if (foundHere) {
            rom.found = true;
        } else if (!rom.found && ownNameHere &&
                   RestoreFromBackup(game, rom.name, *set, zipRead, &rom)) {
            rom.found = true;
            foundHere = true;
            set = index_.Location(location);
            if (zipRead)
                zipRead = list();
            match = FindInSet(*set, zipRead, members.Get(), rom.lookupName);
        }
        if (match.member)
            rom.zipIndex = static_cast<std::uint32_t>(*match.member);

        if (!foundHere) {
            if (game.isNeoGeo && (neoGeoBiosFound || neoGeoBiosFoundAll) &&
                IsNeoGeoBiosName(rom.name, neoGeoBiosFoundAll)) {
                rom.found = true;
                rom.lengthOk = true;
                rom.nameCaseOk = true;
                rom.crcOk = true;
                rom.crcKnown = true;
            }
            continue;
        }
        if (!match.Found())
            continue;  // restored, but the set does not show it: the values stay as they are

        // A member of this location's zip wins over a loose file beside it; a loose file
        // alone gives its own values.
        bool inZip = match.member.has_value();
        const auto setPath = [&] {
            return inZip ? set->zipStem : WithoutSeparator(set->setFolder);
        };
        const auto filePath = [&] {
            return inZip ? set->zipStem + kSeparator + rom.lookupName
                         : set->setFolder + match.looseName;
        };

        if (config.options.Spelling) {
            rom.foundName = inZip ? members.Get()[*match.member].name : match.looseName;
            rom.nameCaseOk = rom.foundName == rom.lookupName;
            if (!rom.nameCaseOk && config.options.FixSpelling && mayFix) {
                fixer_.FixRomSpelling(setPath() + kSeparator + rom.lookupName, rom, inZip,
                                      members.Mutable(), setPath(), game);
                index_.Invalidate(inZip ? set->zipPath : set->setFolder);
                if (consent.StopRequested())
                    return;
                set = index_.Location(location);
                match = FindInSet(*set, zipRead, members.Get(), rom.lookupName);
                if (!match.Found())
                    continue;
                inZip = match.member.has_value();
            }
        }

        if (config.options.Length) {
            if (inZip) {
                rom.foundLength = members.Get()[*match.member].size;
            } else if (const auto length = FileLength(filePath())) {
                rom.foundLength = static_cast<std::uint32_t>(*length);
            }
            rom.lengthOk = rom.foundLength == rom.size;
            if (!rom.lengthOk && config.options.FixLength && mayFix && rom.crc != 0 &&
                rom.size < rom.foundLength) {
                fixer_.ResizeRom(filePath(), game, rom, inZip, members.Mutable());
                index_.Invalidate(set->folder);
                if (consent.StopRequested())
                    return;
                if (rom.lengthFixed) {
                    set = index_.Location(location);
                    zipRead = list();
                    match = FindInSet(*set, zipRead, members.Get(), rom.lookupName);
                    if (!match.member && zipRead)
                        match.member = FindMember(members.Get(), rom.name);  // stored as the ROM
                    if (match.member)
                        rom.zipIndex = static_cast<std::uint32_t>(*match.member);
                    if (!match.Found())
                        continue;
                    inZip = match.member.has_value();
                }
            }
        }

        if (config.options.Checksum || config.options.AvailChecksum) {
            rom.foundCrc = inZip ? members.Get()[*match.member].crc : index_.LooseCrc(filePath());
            rom.crcKnown = rom.crc != 0;
            rom.crcOk = rom.foundCrc == rom.complementedCrc || rom.foundCrc == rom.crc;
        }
    }
}

void Scanner::CheckWrongNames(GameRecord& game, const std::string& location, bool zipRead,
                              const std::vector<ZipEntry>& members, const GameDatabase& database) {
    const auto resolved = index_.Location(location);
    const SetLocation& set = *resolved;
    const bool merged = config.options.MergeFull || config.options.MergeSplit;
    const GameRecord* parent = merged ? ParentOf(game, database) : nullptr;

    const auto judge = [&](const std::string& fileName, std::uint32_t value, const ZipEntry* member,
                           const std::string& setFolder) {
        bool unjudged = false;
        std::uint32_t rememberedCrc = 0;
        std::string rightName;
        // True when the file is correctly named for a ROM of owner.
        const auto lookThrough = [&](const GameRecord& owner, bool complementCounts) {
            for (const RomRecord& rom : owner.roms) {
                if (rom.crc == 0 && EqualsIgnoringCase(rom.name, fileName))
                    unjudged = true;
                if (rom.crc == value || (complementCounts && rom.complementedCrc == value)) {
                    rightName = rom.name;
                    rememberedCrc = rom.crc;
                    if (EqualsIgnoringCase(fileName, rightName))
                        return true;
                }
            }
            return false;
        };
        if (lookThrough(game, /*complementCounts=*/true))
            return;
        if (merged && game.isParent) {
            for (const CloneRef& clone : game.clones) {
                if (clone.index < database.size() &&
                    lookThrough(database[clone.index], /*complementCounts=*/false))
                    return;
            }
        }
        if (parent != nullptr && lookThrough(*parent, /*complementCounts=*/false))
            return;
        if (rememberedCrc == 0 || unjudged)
            return;
        WrongNameEntry entry;
        entry.wrongName = fileName;
        entry.rightName = rightName;
        entry.path = setFolder + fileName;
        if (member != nullptr) {
            entry.inZip = true;
            entry.memberName = member->storedName;
            entry.entry = *member;
        }
        game.wrongNameList.push_back(std::move(entry));
    };

    if (zipRead) {
        const std::string zipFolder = set.zipStem + kSeparator;
        for (const ZipEntry& member : members)
            judge(member.name, member.crc, &member, zipFolder);
        return;
    }
    if (!set.hasFolder)
        return;
    const std::vector<DirEntry> files = index_.Listing(set.setFolder).Entries();
    for (const DirEntry& file : files) {
        if (file.isFolder)
            continue;
        judge(file.name, index_.LooseCrc(set.setFolder + file.name), nullptr, set.setFolder);
    }
}

void Scanner::CheckSampleSet(GameRecord& game, const std::string& location) {
    auto set = index_.Location(location);
    MemberList members;
    const auto list = [&] {
        members.Assign(set->hasZip ? index_.SetZipMembers(set->zipPath) : nullptr);
        return members.Read();
    };
    bool zipRead = list();

    for (SampleRecord& sample : game.samples) {
        FileMatch match = FindInSet(*set, zipRead, members.Get(), sample.name);
        if (match.Found()) {
            sample.found = true;
        } else {
            if (sample.found || !RestoreFromBackup(game, sample.name, *set, zipRead))
                continue;
            sample.found = true;
            set = index_.Location(location);
            if (zipRead)
                zipRead = list();
            match = FindInSet(*set, zipRead, members.Get(), sample.name);
            if (!match.Found())
                continue;
        }
        if (match.member)
            sample.zipIndex = static_cast<std::uint32_t>(*match.member);

        if (config.options.Spelling) {
            const bool inZip = match.member.has_value();
            sample.foundName = inZip ? members.Get()[*match.member].name : match.looseName;
            sample.nameCaseOk = sample.foundName == sample.name;
            if (!sample.nameCaseOk && config.options.FixSpelling) {
                const std::string setPath = inZip ? set->zipStem : WithoutSeparator(set->setFolder);
                fixer_.FixSampleSpelling(setPath + kSeparator + sample.name, sample, inZip,
                                         members.Mutable(), setPath, game);
                index_.Invalidate(inZip ? set->zipPath : set->setFolder);
                if (consent.StopRequested())
                    return;
                set = index_.Location(location);
            }
        }
    }
}

// ---- Unneeded files ----

void Scanner::CheckUnneededInPath(const std::string& folder, GameRecord& collector,
                                  const GameDatabase& database, bool isRomFolder) {
    const std::string base = WithSeparator(folder);
    const std::vector<DirEntry> entries = index_.Listing(base).Entries();
    const std::string_view knownBiosSet = isRomFolder ? kNeoGeoSet : kSampleBiosSet;
    // A sample set that games name as theirs (sampleof) without a game of its name, such
    // as one of sounds many machines share, is needed all the same.
    std::unordered_set<std::string_view, CaseInsensitiveHash, CaseInsensitiveEqual> sharedSamples;
    if (!isRomFolder) {
        for (const GameRecord& game : database) {
            if (game.hasSampleOf)
                sharedSamples.insert(game.sampleOf);
        }
    }
    for (const DirEntry& entry : entries) {
        const std::string_view name = entry.name;
        const std::string_view setName = EndsWithIgnoringCase(name, kZipExtension)
                                             ? name.substr(0, name.size() - kZipExtension.size())
                                             : name;
        if (database.FindGame(setName) || (isRomFolder && database.IsBiosSet(setName)) ||
            sharedSamples.contains(setName) ||
            EqualsIgnoringCase(NameWithoutExtension(name), knownBiosSet))
            continue;
        const std::string path = base + entry.name;
        const std::string asFolder = path + kSeparator;
        if (EqualsIgnoringCase(asFolder, config.programFolder))
            continue;
        if (entry.isFolder && (ContainsIgnoringCase(paths.romFolders, asFolder) ||
                               ContainsIgnoringCase(paths.sampleFolders, asFolder)))
            continue;
        UnneededEntry unneeded;
        unneeded.path = path;
        unneeded.setName = kUnknownSet;
        unneeded.isFolder = entry.isFolder;
        AddUnneeded(collector, std::move(unneeded));
    }
    DropExcludedFolders(collector);
}

void Scanner::CheckUnneededInRomSet(const std::string& romFolder, const std::string& name,
                                    GameRecord& game, const GameDatabase& database) {
    CheckUnneededInSet(romFolder, name, game,
                       [&](std::string_view fileName, const FileDataSource& data) {
                           return IsRomFileNeeded(game, fileName, database, data);
                       });
}

void Scanner::CheckUnneededInSampleSet(const std::string& sampleFolder, const std::string& name,
                                       GameRecord& game) {
    CheckUnneededInSet(sampleFolder, name, game,
                       [&](std::string_view fileName, const FileDataSource&) {
                           return IsSampleFileNeeded(game, fileName);
                       });
}

void Scanner::CheckUnneededInSet(
    const std::string& folder, const std::string& name, GameRecord& game,
    const std::function<bool(std::string_view, const FileDataSource&)>& isNeeded) {
    const auto resolved = index_.Location(folder + name);
    const SetLocation& set = *resolved;
    if (set.hasZip) {
        if (const auto members = index_.SetZipMembers(set.zipPath)) {
            for (const ZipEntry& member : *members) {
                const auto data = [&member]() -> std::optional<FileData> {
                    return FileData{member.size, member.crc};
                };
                if (isNeeded(member.name, data)) {
                    AddNeededFile(set.zipStem, member.name);
                    continue;
                }
                UnneededEntry unneeded;
                unneeded.path = set.zipStem + kSeparator + member.name;
                unneeded.setName = name;
                unneeded.inZip = true;
                unneeded.zipPath = set.zipPath;
                unneeded.memberName = member.storedName;
                unneeded.entry = member;
                AddUnneeded(game, std::move(unneeded));
            }
        }
    }
    if (set.hasFolder) {
        const std::string setFolder = WithoutSeparator(set.setFolder);
        const std::vector<DirEntry> entries = index_.Listing(set.setFolder).Entries();
        for (const DirEntry& entry : entries) {
            const std::string path = set.setFolder + entry.name;
            const auto data = [&]() -> std::optional<FileData> {
                const auto length = entry.isFolder ? std::nullopt : FileLength(path);
                if (!length)
                    return std::nullopt;
                return FileData{*length, index_.LooseCrc(path)};
            };
            if (isNeeded(entry.name, data)) {
                AddNeededFile(setFolder, entry.name);
                continue;
            }
            UnneededEntry unneeded;
            unneeded.path = path;
            unneeded.setName = name;
            unneeded.isFolder = entry.isFolder;
            AddUnneeded(game, std::move(unneeded));
        }
    }
    DropExcludedFolders(game);
}

bool Scanner::IsRomFileNeeded(const GameRecord& game, std::string_view fileName,
                              const GameDatabase& database, const FileDataSource& data) {
    const bool duplicateReported = config.options.UnneededAdvanced;
    // A duplicate needs a copy in the other set with the same bytes, and those bytes must be
    // the ROM's as listed: the same name is not the same data.
    std::optional<std::optional<FileData>> known;
    const auto duplicateOf = [&](const RomRecord& rom, const std::string& setName) {
        if (!known)
            known = data ? data() : std::nullopt;
        const std::optional<FileData>& file = *known;
        if (!file || rom.crc == 0 || file->size != rom.size ||
            (file->crc != rom.crc && file->crc != rom.complementedCrc))
            return false;
        return std::any_of(
            paths.romList.begin(), paths.romList.end(),
            [&](const std::string& folder) { return HoldsCopy(folder, setName, fileName, *file); });
    };

    if (const RomRecord* own = RomNamed(game, fileName)) {
        const GameRecord* parent = duplicateReported ? ParentOf(game, database) : nullptr;
        if (parent == nullptr)
            return true;
        const RomRecord* parentRom = RomNamed(*parent, fileName);
        const bool sameAsParent =
            parentRom != nullptr && parentRom->size == own->size && parentRom->crc == own->crc;
        if (config.options.MergeFull && (parentRom == nullptr || sameAsParent) &&
            duplicateOf(*own, parent->name))
            return false;
        if (config.options.MergeSplit && sameAsParent && duplicateOf(*own, parent->name))
            return false;
        return true;
    }
    if (!game.isParent)
        return false;
    const auto clonesName = [&] {
        return std::any_of(game.clones.begin(), game.clones.end(), [&](const CloneRef& clone) {
            return clone.index < database.size() && RomNamed(database[clone.index], fileName);
        });
    };
    if (config.options.MergeFull)
        return clonesName();
    if (config.options.MergeSplit) {
        if (!clonesName())
            return false;
        if (!duplicateReported)
            return true;
        for (const CloneRef& clone : game.clones) {
            if (clone.index >= database.size())
                continue;
            const RomRecord* cloneRom = RomNamed(database[clone.index], fileName);
            if (cloneRom != nullptr && duplicateOf(*cloneRom, clone.name))
                return false;
        }
        return true;
    }
    return false;
}

bool Scanner::IsSampleFileNeeded(const GameRecord& game, std::string_view fileName) {
    const bool named = std::any_of(
        game.samples.begin(), game.samples.end(),
        [&](const SampleRecord& sample) { return EqualsIgnoringCase(sample.name, fileName); });
    if (!named)
        return false;
    if (config.options.AltSamples && game.hasSampleOf) {
        for (const std::string& folder : paths.sampleList) {
            if (ExistsInSet(folder, game.sampleOf, fileName))
                return !config.options.UnneededAdvanced;
        }
    }
    return true;
}

void Scanner::HoldWrongNamedData(GameRecord& game, const GameDatabase& database) {
    if (game.wrongNameList.empty() || game.unneededList.empty())
        return;
    // The sets a wrongly named file's data may belong to: the game's own and, where sets are
    // merged, its parent's and its clones'.
    std::vector<std::string> owners{game.name};
    if (config.options.MergeFull || config.options.MergeSplit) {
        if (const GameRecord* parent = ParentOf(game, database))
            owners.push_back(parent->name);
        for (const CloneRef& clone : game.clones)
            owners.push_back(clone.name);
    }
    for (const WrongNameEntry& wrong : game.wrongNameList) {
        if (wrong.fixed)
            continue;
        std::optional<FileData> data;
        if (wrong.inZip) {
            data = FileData{wrong.entry.size, wrong.entry.crc};
        } else if (const auto length = FileLength(wrong.path)) {
            data = FileData{*length, index_.LooseCrc(wrong.path)};
        }
        const bool copyUnderRightName =
            data &&
            std::any_of(paths.romList.begin(), paths.romList.end(), [&](const std::string& folder) {
                return std::any_of(owners.begin(), owners.end(), [&](const std::string& owner) {
                    return HoldsCopy(folder, owner, wrong.rightName, *data);
                });
            });
        if (copyUnderRightName)
            continue;
        for (UnneededEntry& unneeded : game.unneededList) {
            if (unneeded.path == wrong.path && unneeded.inZip == wrong.inZip &&
                (!wrong.inZip || unneeded.memberName == wrong.memberName))
                unneeded.awaitsRename = true;
        }
    }
}

void Scanner::DropExcludedFolders(GameRecord& game) {
    std::vector<std::string> excluded = paths.miscFolders;
    excluded.push_back(config.programFolder);
    excluded.push_back(config.programFolder + std::string(kBackupFolder) + kSeparator);
    excluded.push_back(config.programFolder + kTempZipFolderName + kSeparator);
    if (!config.scratchFolder.empty())
        excluded.push_back(config.scratchFolder);
    std::erase_if(game.unneededList, [&](const UnneededEntry& entry) {
        const std::string folderText =
            entry.isFolder ? WithSeparator(entry.path) : FolderPart(entry.path);
        return ContainsIgnoringCase(excluded, folderText);
    });
}

}  // namespace vextral
