// Which files, folders and members of the configured folders and sets no game needs.

#include <algorithm>
#include <unordered_set>

#include "archive/FileUtils.h"
#include "database/NeoGeoBios.h"
#include "fixer/ProcessScratch.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/Scanner.h"
#include "scanner/SetCheckSupport.h"

namespace vextral {

namespace {

bool ContainsIgnoringCase(const std::vector<std::string>& texts, std::string_view text) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return EqualsIgnoringCase(t, text); });
}

}  // namespace

void Scanner::AddUnneeded(GameFindings& findings, UnneededEntry entry) {
    if (unneededSeenFor_ != &findings || unneededSeenCount_ != findings.unneededList.size()) {
        unneededSeen_.clear();
        for (const UnneededEntry& listed : findings.unneededList)
            unneededSeen_.insert(listed.path);
        unneededSeenFor_ = &findings;
    }
    if (!unneededSeen_.insert(entry.path).second)
        return;
    findings.unneededList.push_back(std::move(entry));
    unneededSeenCount_ = findings.unneededList.size();
}

void Scanner::AddNeededFile(const std::string& location, const std::string& name) {
    // The members of one set come one after the other.
    if (lastNeeded_ == nullptr || lastNeededLocation_ != location) {
        lastNeeded_ = &neededByLocation_[location];
        lastNeededLocation_ = location;
    }
    lastNeeded_->insert(name);
}

bool Scanner::IsNeededFile(std::string_view path) const {
    const auto slash = path.rfind(kSeparator);
    if (slash == std::string_view::npos)
        return false;
    const auto names = neededByLocation_.find(path.substr(0, slash));
    if (names == neededByLocation_.end())
        return false;
    return names->second.contains(path.substr(slash + 1));
}

void Scanner::CheckUnneededInPath(const std::string& folder, GameFindings& collector,
                                  const GameDatabase& database, bool isRomFolder) {
    const std::string base = WithSeparator(folder);
    const std::vector<DirEntry> entries = index_.Listing(base).Entries();
    const std::string_view knownBiosSet = isRomFolder ? kNeoGeoBiosSet : kSampleBiosSet;
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
        // A FIFO, socket or device is no set whatever its name.
        if (!entry.isSpecial &&
            (database.FindGame(setName) || (isRomFolder && database.IsBiosSet(setName)) ||
             sharedSamples.contains(setName) ||
             EqualsIgnoringCase(NameWithoutExtension(name), knownBiosSet)))
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

void Scanner::CheckUnneededInRomSet(const std::string& romFolder, const GameRecord& game,
                                    GameFindings& findings, const GameDatabase& database) {
    CheckUnneededInSet(romFolder, game.name, findings,
                       [&](std::string_view fileName, const FileDataSource& data) {
                           return IsRomFileNeeded(game, fileName, database, data);
                       });
}

void Scanner::CheckUnneededInSampleSet(const std::string& sampleFolder, const GameRecord& game,
                                       GameFindings& findings) {
    CheckUnneededInSet(sampleFolder, game.name, findings,
                       [&](std::string_view fileName, const FileDataSource&) {
                           return IsSampleFileNeeded(game, fileName);
                       });
}

void Scanner::CheckUnneededInSet(
    const std::string& folder, const std::string& name, GameFindings& findings,
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
                AddUnneeded(findings, std::move(unneeded));
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
            // A FIFO, socket or device named as a needed file is still not that file.
            if (!entry.isSpecial && isNeeded(entry.name, data)) {
                AddNeededFile(setFolder, entry.name);
                continue;
            }
            UnneededEntry unneeded;
            unneeded.path = path;
            unneeded.setName = name;
            unneeded.isFolder = entry.isFolder;
            AddUnneeded(findings, std::move(unneeded));
        }
    }
    DropExcludedFolders(findings);
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

void Scanner::HoldWrongNamedData(const GameRecord& game, GameFindings& findings,
                                 const GameDatabase& database) {
    if (findings.wrongNameList.empty() || findings.unneededList.empty())
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
    for (const WrongNameEntry& wrong : findings.wrongNameList) {
        // A plan's renamed file is still there under its old name, which the real run no
        // longer finds.
        if (wrong.fixed && !journal_->Pretends())
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
        if (copyUnderRightName && !wrong.fixed)
            continue;
        for (UnneededEntry& unneeded : findings.unneededList) {
            if (unneeded.path == wrong.path && unneeded.inZip == wrong.inZip &&
                (!wrong.inZip || unneeded.memberName == wrong.memberName))
                unneeded.awaitsRename = true;
        }
    }
}

void Scanner::DropExcludedFolders(GameFindings& findings) {
    if (findings.unneededList.empty())
        return;
    std::vector<std::string> excluded = paths.miscFolders;
    excluded.push_back(config.programFolder);
    excluded.push_back(config.programFolder + std::string(kBackupFolder) + kSeparator);
    excluded.push_back(config.programFolder + kTempZipFolderName + kSeparator);
    if (!config.scratchFolder.empty())
        excluded.push_back(config.scratchFolder);
    std::erase_if(findings.unneededList, [&](const UnneededEntry& entry) {
        const std::string folderText =
            entry.isFolder ? WithSeparator(entry.path) : FolderPart(entry.path);
        return ContainsIgnoringCase(excluded, folderText);
    });
}

}  // namespace vextral
