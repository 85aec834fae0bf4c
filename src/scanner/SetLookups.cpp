// Where the files of a set are, through the collection index, and the backup folder's
// copies of them.

#include <algorithm>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/MemberList.h"
#include "scanner/Scanner.h"
#include "scanner/SetCheckSupport.h"

namespace vextral {

Scanner::FileMatch Scanner::FindInSet(const SetLocation& location, bool zipRead,
                                      const MemberList& members, std::string_view fileName) {
    FileMatch match;
    if (location.hasFolder) {
        const DirEntry* file = index_.Find(location.setFolder, fileName);
        if (file != nullptr && file->IsFile()) {
            match.loose = true;
            match.looseName = file->name;
        }
    }
    if (zipRead)
        match.member = members.Find(fileName);
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
        if (file != nullptr && file->IsFile())
            return true;
    }
    return answer;
}

bool Scanner::RestoreFromBackup(const GameRecord& game, GameFindings& findings,
                                const std::string& fileName, const SetLocation& location,
                                bool zipRead, const RomRecord* rom) {
    const std::string backupRoot = config.programFolder + std::string(kBackupFolder) + kSeparator;
    const DirEntry* setBackup = index_.Snapshot(backupRoot).Find(game.name);
    if (setBackup == nullptr || !setBackup->isFolder)
        return false;
    const std::string backupSet = backupRoot + setBackup->name + kSeparator;
    const DirEntry* file = index_.Find(backupSet, fileName);
    if (file == nullptr || !file->IsFile())
        return false;
    const std::string source = backupSet + file->name;
    if (rom != nullptr) {
        const auto data = FileSizeAndCrc(source);
        if (!data || data->size != rom->size ||
            (rom->crc != 0 && data->crc != rom->crc && data->crc != rom->complementedCrc)) {
            return false;
        }
    }

    if (zipRead)
        return ApplyFix(game, findings,
                        {BackupRestore{source, location.zipPath, {}}, location.folder});
    // Without a set folder the copy fails, as it should: the set is not there.
    const std::string setFolder =
        location.hasFolder ? location.setFolder : location.folder + location.name + kSeparator;
    return ApplyFix(game, findings, {BackupRestore{source, {}, setFolder + fileName}, setFolder});
}

bool Scanner::MayRestoreFromBackup(const GameDatabase& database, const GameSelection& selection) {
    const std::string backupRoot = config.programFolder + std::string(kBackupFolder) + kSeparator;
    for (const DirEntry& setBackup : ListFolder(backupRoot)) {
        const auto index = setBackup.isFolder ? database.FindGame(setBackup.name) : std::nullopt;
        if (!index)
            continue;
        const GameRecord& game = database[*index];
        if (!selection[*index].selected || !PassesNeoGeoFilter(game))
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

}  // namespace vextral
