// The checks of one set location: the set's name, its ROMs (with the wrongly named files)
// and its samples. A fix a check wants goes to ApplyFix.

#include "archive/FileUtils.h"
#include "database/NeoGeoBios.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/MemberList.h"
#include "scanner/RomLookup.h"
#include "scanner/Scanner.h"
#include "scanner/SetCheckSupport.h"

namespace vextral {

namespace {

bool IsNeoGeoBiosName(std::string_view name, bool allFound) {
    for (std::size_t i = 0; i < kNeoGeoBios.size(); ++i) {
        if (i == kNeoGeoBiosCoreCount && !allFound)
            break;
        if (EqualsIgnoringCase(name, kNeoGeoBios[i].name))
            return true;
    }
    return false;
}

}  // namespace

void Scanner::CheckSetName(const GameRecord& game, GameFindings& findings,
                           const std::string& location) {
    // The same test as SetExists, through the resolution the other checks reuse.
    const auto resolved = index_.Location(location);
    const SetLocation& set = *resolved;
    if (!set.hasFolder && !set.hasZip)
        return;
    findings.setFound = true;
    if (!config.options.Spelling)
        return;
    // A clone's set may lie in its parent's under the parent's name, folder or zip alike.
    const auto rightName = [&](const std::string& found) {
        return found == game.name || ((config.options.MergeFull || config.options.MergeSplit) &&
                                      game.isClone && found == game.cloneOf);
    };
    if (set.hasFolder) {
        findings.foundSetName = FileNamePart(WithoutSeparator(set.setFolder));
        findings.setNameOk = rightName(findings.foundSetName);
    }
    if (set.hasZip) {
        findings.foundSetName = FileNamePart(set.zipStem);
        findings.setNameOk = rightName(findings.foundSetName);
    }
    if (!findings.setNameOk && config.options.FixSpelling)
        ApplyFix(game, findings, {SetSpellingFix{location}, set.folder});
}

void Scanner::CheckRomSet(const GameRecord& game, GameFindings& findings,
                          const std::string& location, bool isParentLocation,
                          const GameDatabase& database) {
    auto set = index_.Location(location);
    MemberList members;
    const auto list = [&] {
        members.Assign(set->hasZip ? index_.SetZipMembers(set->zipPath) : nullptr);
        return members.Read();
    };
    bool zipRead = list();

    if (config.options.RightName && !isParentLocation)
        CheckWrongNames(game, findings, location, zipRead, members.Get(), database);
    if (config.options.FixName && !isParentLocation) {
        ApplyFix(game, findings, {WrongNamesFix{}, set->folder});
        if (consent_.StopRequested())
            return;
        set = index_.Location(location);
        zipRead = list();
    }

    // In the parent's set a clone's ROM is looked for under its own name only when the parent
    // does not list that name for other data; and nothing there is this game's to fix.
    const GameRecord* parent = isParentLocation ? ParentOf(game, database) : nullptr;
    const bool mayFix = !isParentLocation;
    for (std::size_t r = 0; r < game.roms.size(); ++r) {
        const RomRecord& rom = game.roms[r];
        RomFinding& finding = findings.roms[r];
        finding.lookupName = rom.name;
        const RomRecord* parentRom = parent != nullptr ? RomNamed(*parent, rom.name) : nullptr;
        const bool ownNameHere =
            parentRom == nullptr || (parentRom->size == rom.size && parentRom->crc == rom.crc);
        FileMatch match;
        if (ownNameHere)
            match = FindInSet(*set, zipRead, members, finding.lookupName);
        if (!match.Found() && !config.options.MissingAdvanced) {
            for (const std::string& other : rom.otherNames) {
                // A name the game lists for other data is that ROM's, not this one's.
                const RomRecord* listed = RomNamed(game, other);
                if (listed != nullptr && (listed->size != rom.size || listed->crc != rom.crc))
                    continue;
                match = FindInSet(*set, zipRead, members, other);
                if (match.Found()) {
                    finding.lookupName = other;
                    break;
                }
            }
        }
        bool foundHere = match.Found();
        if (foundHere) {
            finding.found = true;
        } else if (!finding.found && ownNameHere &&
                   RestoreFromBackup(game, findings, rom.name, *set, zipRead, &rom)) {
            finding.found = true;
            foundHere = true;
            set = index_.Location(location);
            if (zipRead)
                zipRead = list();
            match = FindInSet(*set, zipRead, members, finding.lookupName);
        }
        if (match.member)
            finding.zipIndex = static_cast<std::uint32_t>(*match.member);

        if (!foundHere) {
            if (game.isNeoGeo && (result_.neoGeoBiosFound || result_.neoGeoBiosFoundAll) &&
                IsNeoGeoBiosName(rom.name, result_.neoGeoBiosFoundAll)) {
                finding.found = true;
                finding.lengthOk = true;
                finding.nameCaseOk = true;
                finding.crcOk = true;
                finding.crcKnown = true;
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
            return inZip ? set->zipStem + kSeparator + finding.lookupName
                         : set->setFolder + match.looseName;
        };

        if (config.options.Spelling) {
            finding.foundName = inZip ? members.Get()[*match.member].name : match.looseName;
            finding.nameCaseOk = finding.foundName == finding.lookupName;
            if (!finding.nameCaseOk && config.options.FixSpelling && mayFix) {
                ApplyFix(game, findings,
                         {RomSpellingFix{setPath() + kSeparator + finding.lookupName, &rom,
                                         &finding, inZip, &members.Mutable(), setPath()},
                          inZip ? set->zipPath : set->setFolder});
                if (consent_.StopRequested())
                    return;
                set = index_.Location(location);
                match = FindInSet(*set, zipRead, members, finding.lookupName);
                if (!match.Found())
                    continue;
                inZip = match.member.has_value();
            }
        }

        // Its data cannot be read, whatever its header says.
        finding.encryptedMember = inZip && members.Get()[*match.member].encrypted;
        if (config.options.Length) {
            if (inZip) {
                finding.foundLength = members.Get()[*match.member].size;
            } else if (const auto length = FileLength(filePath())) {
                finding.foundLength = *length;
            }
            finding.lengthOk = finding.foundLength == rom.size;
            if (!finding.lengthOk && config.options.FixLength && mayFix && rom.crc != 0 &&
                rom.size < finding.foundLength) {
                ApplyFix(game, findings,
                         {RomResizeFix{filePath(), &rom, &finding, inZip, &members.Mutable()},
                          set->folder});
                if (consent_.StopRequested())
                    return;
                if (finding.lengthFixed) {
                    set = index_.Location(location);
                    zipRead = list();
                    match = FindInSet(*set, zipRead, members, finding.lookupName);
                    if (!match.member && zipRead)
                        match.member = members.Find(rom.name);  // stored as the ROM
                    if (match.member)
                        finding.zipIndex = static_cast<std::uint32_t>(*match.member);
                    if (!match.Found())
                        continue;
                    inZip = match.member.has_value();
                }
            }
        }

        if (config.options.Checksum || config.options.AvailChecksum) {
            finding.foundCrc =
                inZip ? members.Get()[*match.member].crc : index_.LooseCrc(filePath());
            finding.crcKnown = rom.crc != 0;
            finding.crcOk = finding.foundCrc == rom.complementedCrc || finding.foundCrc == rom.crc;
        }
    }
}

void Scanner::CheckWrongNames(const GameRecord& game, GameFindings& findings,
                              const std::string& location, bool zipRead,
                              const std::vector<ZipEntry>& members, const GameDatabase& database) {
    const auto resolved = index_.Location(location);
    const SetLocation& set = *resolved;
    const bool merged = config.options.MergeFull || config.options.MergeSplit;
    const GameRecord* parent = merged ? ParentOf(game, database) : nullptr;
    std::unordered_map<const GameRecord*, RomLookup> lookups;

    const auto judge = [&](const std::string& fileName, std::uint32_t value, const ZipEntry* member,
                           const std::string& setFolder) {
        bool unjudged = false;
        std::uint32_t rememberedCrc = 0;
        std::string rightName;
        // True when the file is correctly named for a ROM of owner.
        const auto lookThrough = [&](const GameRecord& owner, bool complementCounts) {
            const RomMatch match = lookups.try_emplace(&owner, owner)
                                       .first->second.Look(fileName, value, complementCounts);
            unjudged = unjudged || match.unjudged;
            if (match.last != nullptr) {
                rightName = match.last->name;
                rememberedCrc = match.last->crc;
            }
            return match.named;
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
        findings.wrongNameList.push_back(std::move(entry));
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
        if (!file.IsFile())
            continue;
        judge(file.name, index_.LooseCrc(set.setFolder + file.name), nullptr, set.setFolder);
    }
}

void Scanner::CheckSampleSet(const GameRecord& game, GameFindings& findings,
                             const std::string& location) {
    auto set = index_.Location(location);
    MemberList members;
    const auto list = [&] {
        members.Assign(set->hasZip ? index_.SetZipMembers(set->zipPath) : nullptr);
        return members.Read();
    };
    bool zipRead = list();

    for (std::size_t i = 0; i < game.samples.size(); ++i) {
        const SampleRecord& sample = game.samples[i];
        SampleFinding& finding = findings.samples[i];
        FileMatch match = FindInSet(*set, zipRead, members, sample.name);
        if (match.Found()) {
            finding.found = true;
        } else {
            if (finding.found || !RestoreFromBackup(game, findings, sample.name, *set, zipRead))
                continue;
            finding.found = true;
            set = index_.Location(location);
            if (zipRead)
                zipRead = list();
            match = FindInSet(*set, zipRead, members, sample.name);
            if (!match.Found())
                continue;
        }
        if (match.member)
            finding.zipIndex = static_cast<std::uint32_t>(*match.member);

        if (config.options.Spelling) {
            const bool inZip = match.member.has_value();
            finding.foundName = inZip ? members.Get()[*match.member].name : match.looseName;
            finding.nameCaseOk = finding.foundName == sample.name;
            if (!finding.nameCaseOk && config.options.FixSpelling) {
                const std::string setPath = inZip ? set->zipStem : WithoutSeparator(set->setFolder);
                ApplyFix(game, findings,
                         {SampleSpellingFix{setPath + kSeparator + sample.name, &sample, &finding,
                                            inZip, &members.Mutable(), setPath},
                          inZip ? set->zipPath : set->setFolder});
                if (consent_.StopRequested())
                    return;
                set = index_.Location(location);
            }
        }
    }
}

}  // namespace vextral
