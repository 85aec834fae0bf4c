#include "fixer/Fixer.h"

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "archive/FileUtils.h"
#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "fixer/BackupStore.h"
#include "fixer/CrcWindow.h"
#include "fixer/ScratchFolder.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace vextral {
namespace {

std::string ExpectedRomName(const RomRecord& rom) {
    return rom.lookupName.empty() ? rom.name : rom.lookupName;
}

// A member name that the library would store as given when adding a file of that name.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kSeparator) {
        path.pop_back();
    }
    return path;
}

// The set an archive holds: its file name without ".zip".
std::string SetNameOfArchive(const std::string& zipPath) {
    std::string name = FileNamePart(zipPath);
    if (EndsWithIgnoringCase(name, ".zip") && name.size() > 4) {
        name.resize(name.size() - 4);
    }
    return name;
}

// True when a member other than the one stored as exceptStoredName bears name; adding a
// file of that name would replace it.
bool OtherMemberNamed(const std::vector<ZipEntry>& members, const std::string& name,
                      const std::string& exceptStoredName) {
    for (const ZipEntry& member : members) {
        if (member.storedName != exceptStoredName && EqualsIgnoringCase(member.storedName, name)) {
            return true;
        }
    }
    return false;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return std::nullopt;
    }
    const auto length = FileLength(path);
    if (!length) {
        return std::nullopt;
    }
    try {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(*length));
        if (!data.empty() && std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
            return std::nullopt;
        }
        return data;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
}

// A name beside path that nothing bears yet.
std::string FreeNameBeside(const std::string& path, const std::string& suffix) {
    std::string candidate = path + suffix;
    for (unsigned n = 1; PathExists(candidate) && n < 100000; ++n) {
        candidate = path + suffix + std::to_string(n);
    }
    return candidate;
}

// Replaces the contents of path by the given bytes without ever rewriting it in place: the
// new contents are complete under a temporary name before the original steps aside.
bool ReplaceFileContents(const std::string& path, const std::uint8_t* bytes, std::size_t count) {
    const std::string fresh = FreeNameBeside(path, ".vxt_new");
    if (!WriteFileFromBuffer(fresh, bytes, count)) {
        DeleteFile(fresh);
        return false;
    }
    const std::string old = FreeNameBeside(path, ".vxt_old");
    if (!RenameNoReplace(path, old)) {
        DeleteFile(fresh);
        return false;
    }
    if (!RenameNoReplace(fresh, path)) {
        (void)RenameNoReplace(old, path);
        DeleteFile(fresh);
        return false;
    }
    DeleteFileForced(old);
    return true;
}

// Renames from to to through an intermediate name, never replacing anything; when the second
// step fails the first is undone.
bool RenameVia(const std::string& from, const std::string& to, const std::string& suffix) {
    const std::string intermediate = from + suffix;
    if (!RenameNoReplace(from, intermediate)) {
        return false;
    }
    if (RenameNoReplace(intermediate, to)) {
        return true;
    }
    (void)RenameNoReplace(intermediate, from);
    return false;
}

}  // namespace

Fixer::Fixer(Dialogs& dialogs, ConsentState& consent, ZipLibrary& zipLibrary,
             const ScanOptions& options, const std::string& programFolder,
             const std::string& scratchFolder, FolderCache& folders)
    : dialogs_(dialogs),
      consent_(consent),
      zipLibrary_(zipLibrary),
      options_(options),
      programFolder_(programFolder),
      scratchFolder_(scratchFolder),
      folders_(folders) {}

bool Fixer::Ask(FixKind kind, const std::string& caption, const std::string& question) {
    return consent_.Confirm(kind, options_.Ask, dialogs_, caption, question);
}

std::optional<std::vector<ZipEntry>> Fixer::ListQuietly(const std::string& zipPath) const {
    if (!IsRegularFile(zipPath)) {
        return std::nullopt;
    }
    ZipReader reader(dialogs_);
    std::vector<ZipEntry> members;
    if (!reader.ReadZipDirectory(zipPath, members, /*requireZipExtension=*/false,
                                 /*reportErrors=*/false)) {
        return std::nullopt;
    }
    return members;
}

bool Fixer::KeepMember(const ZipEntry& entry, const std::string& originalFile,
                       const std::string& setName) {
    folders_.Invalidate(FolderPart(entry.zipPath));
    if (const auto members = ListQuietly(entry.zipPath)) {
        for (const ZipEntry& member : *members) {
            if (member.storedName == entry.storedName) {
                return true;
            }
        }
    }
    // Adding a file stores it under its file name, so only a member without a folder part
    // can be put back as it was.
    if (IsPlainName(entry.storedName)) {
        ScratchFolder stage(scratchFolder_);
        if (stage.Ok()) {
            const std::string staged = stage.Path() + entry.storedName;
            if (CopyFileTo(originalFile, staged, CopyMode::KeepExisting) &&
                zipLibrary_.AddFiles(entry.zipPath, {staged}, /*junkPaths=*/true)) {
                folders_.Invalidate(FolderPart(entry.zipPath));
                return true;
            }
        }
    }
    const BackupStore backups(programFolder_);
    return backups.MoveFileIn(originalFile, setName, FileNamePart(entry.storedName)).has_value();
}

bool Fixer::ReplaceMember(const ZipEntry& entry, const std::string& replacementFile,
                          const std::string& originalFile, const std::string& setName,
                          ScratchFolder& scratch) {
    const bool deleted = zipLibrary_.DeleteMembers(entry.zipPath, {entry.storedName});
    folders_.Invalidate(FolderPart(entry.zipPath));
    if (deleted && zipLibrary_.AddFiles(entry.zipPath, {replacementFile}, /*junkPaths=*/true)) {
        folders_.Invalidate(FolderPart(entry.zipPath));
        return true;
    }
    if (!KeepMember(entry, originalFile, setName)) {
        scratch.Keep();
    }
    return false;
}

bool Fixer::RenameInZip(const ZipEntry& entry, const std::string& newName,
                        const std::string& setName) {
    if (!IsPlainName(newName)) {
        return false;
    }
    // The library replaces a member of the added name: refuse rather than lose another member.
    const auto members = ListQuietly(entry.zipPath);
    if (!members || OtherMemberNamed(*members, newName, entry.storedName)) {
        return false;
    }
    ScratchFolder scratch(scratchFolder_);
    if (!scratch.Ok()) {
        return false;
    }
    const std::string extracted = scratch.Path() + newName;
    if (!ExtractZipEntry(entry, extracted, dialogs_)) {
        return false;
    }
    return ReplaceMember(entry, extracted, extracted, setName, scratch);
}

bool Fixer::FixFileSpelling(const std::string& expectedPath, const std::string& expectedName,
                            std::uint32_t zipIndex, bool inZip, std::vector<ZipEntry>& entries,
                            const std::string& setPath, const std::string& caption,
                            std::string& foundName, bool& nameCaseOk, bool& caseFixed) {
    std::string found;
    std::string fullPath;
    const std::string folder = FolderPart(expectedPath);
    if (inZip) {
        if (zipIndex >= entries.size()) {
            return false;
        }
        found = entries[zipIndex].name;
    } else {
        const DirEntry* onDisk = folders_.Find(folder, FileNamePart(expectedPath));
        if (onDisk == nullptr || onDisk->isFolder) {
            return false;
        }
        found = onDisk->name;
        fullPath = folder + found;
    }
    foundName = found;
    nameCaseOk = found == expectedName;
    if (nameCaseOk || !options_.FixSpelling) {
        return false;
    }
    if (!Ask(FixKind::Spelling, caption,
             "\nDo you want to rename '" + found + "' as '" + expectedName + "' ?")) {
        return false;
    }
    if (inZip) {
        const ZipEntry entry = entries[zipIndex];
        caseFixed = RenameInZip(entry, expectedName, FileNamePart(setPath));
        ZipReader reader(dialogs_);
        if (!reader.ReadZipDirectory(entry.zipPath, entries, /*requireZipExtension=*/false,
                                     /*reportErrors=*/true)) {
            entries.clear();
        }
        return true;
    }
    caseFixed = RenameVia(fullPath, folder + expectedName, "_tmp");
    folders_.Invalidate(folder);
    return false;
}

void Fixer::FixRomSpelling(const std::string& expectedPath, RomRecord& rom, bool inZip,
                           std::vector<ZipEntry>& entries, const std::string& setPath,
                           const GameRecord& game) {
    const std::string expected = ExpectedRomName(rom);
    const bool reread =
        FixFileSpelling(expectedPath, expected, rom.zipIndex, inZip, entries, setPath,
                        "Fix Wrong Spelled Roms In Gameset '" + game.description + "' ?",
                        rom.foundName, rom.nameCaseOk, rom.caseFixed);
    if (!reread) {
        return;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (EqualsIgnoringCase(entries[i].name, expected)) {
            rom.zipIndex = static_cast<std::uint32_t>(i);
            return;
        }
    }
}

void Fixer::FixSampleSpelling(const std::string& expectedPath, SampleRecord& sample, bool inZip,
                              std::vector<ZipEntry>& entries, const std::string& setPath,
                              const GameRecord& game) {
    // The sample keeps its entry index: nothing reads a sample's member after its case check.
    (void)FixFileSpelling(expectedPath, sample.name, sample.zipIndex, inZip, entries, setPath,
                          "Fix Wrong Spelled Samples In Gameset '" + game.description + "' ?",
                          sample.foundName, sample.nameCaseOk, sample.caseFixed);
}

void Fixer::FixGameSpelling(const std::string& setPath, GameRecord& game) {
    const std::string folder = FolderPart(setPath);
    const std::string setName = FileNamePart(setPath);
    std::string found;
    std::string fullPath;
    bool isZip = false;
    bool present = false;
    bool right = false;
    const auto rightName = [&](const std::string& name) {
        return name == game.name || ((options_.MergeSplit || options_.MergeFull) && game.isClone &&
                                     name == game.cloneOf);
    };
    if (const DirEntry* onDisk = folders_.Find(folder, setName);
        onDisk != nullptr && onDisk->isFolder) {
        found = onDisk->name;
        fullPath = folder + found;
        right = rightName(found);
        present = true;
    }
    if (const DirEntry* onDisk = folders_.Find(folder, setName + ".zip");
        onDisk != nullptr && !onDisk->isFolder) {
        found = onDisk->name.substr(0, onDisk->name.size() - 4);
        fullPath = folder + onDisk->name;
        right = rightName(found);
        isZip = true;
        present = true;
    }
    if (!present) {
        return;
    }
    game.foundSetName = found;
    game.setNameOk = right;
    if (right || !options_.FixSpelling) {
        return;
    }
    // The set is renamed to the name of its location, which is the game's name except where
    // a clone's set lies in its parent's.
    if (!Ask(FixKind::Spelling, "Fix Wrong Spelled Game '" + game.description + "' ?",
             "\nDo you want to rename '" + found + "' as '" + setName + "' ?")) {
        return;
    }
    game.setNameFixed = RenameVia(fullPath, isZip ? setPath + ".zip" : setPath, "_tmp");
    folders_.Invalidate(folder);
}

void Fixer::FixWrongNamedRoms(GameRecord& game) {
    // The list grows over the rom folders of one game; what an earlier folder's pass fixed
    // is neither asked about nor touched again.
    const bool anyUnfixed = std::any_of(game.wrongNameList.begin(), game.wrongNameList.end(),
                                        [](const WrongNameEntry& e) { return !e.fixed; });
    if (!anyUnfixed || !options_.FixName) {
        return;
    }
    if (!Ask(FixKind::Name, "Fix All Wrong Named Roms In Gameset '" + game.description + "' ?",
             "\nDo you want to rename all wrong named roms in '" + game.description + "' ?")) {
        return;
    }
    ScratchFolder scratch(scratchFolder_);

    enum class Stage { Skipped, Staged, Deleted };
    const std::size_t count = game.wrongNameList.size();
    std::vector<Stage> stage(count, Stage::Skipped);
    std::vector<std::string> extracted(count);

    // First pass: take every file out of the way under its new name.
    for (std::size_t i = 0; i < count; ++i) {
        WrongNameEntry& finding = game.wrongNameList[i];
        if (finding.fixed || !IsPlainName(finding.rightName)) {
            continue;
        }
        if (!finding.inZip) {
            const std::string staged = FolderPart(finding.path) + finding.rightName + "_vxt";
            if (RenameNoReplace(finding.path, staged)) {
                stage[i] = Stage::Staged;
            }
            continue;
        }
        // One sub-folder per finding, so that equal right names never meet.
        const std::string folder = scratch.Path() + std::to_string(i);
        if (!scratch.Ok() || !CreateFolder(folder)) {
            continue;
        }
        extracted[i] = folder + kSeparator + finding.rightName;
        if (ExtractZipEntry(finding.entry, extracted[i], dialogs_)) {
            stage[i] = Stage::Staged;
        }
    }

    // Second pass: remove the members that were copied out.
    for (std::size_t i = 0; i < count; ++i) {
        const WrongNameEntry& finding = game.wrongNameList[i];
        if (!finding.inZip || stage[i] != Stage::Staged) {
            continue;
        }
        if (zipLibrary_.DeleteMembers(finding.entry.zipPath, {finding.entry.storedName})) {
            stage[i] = Stage::Deleted;
        } else if (!KeepMember(finding.entry, extracted[i], game.name)) {
            scratch.Keep();
        }
        folders_.Invalidate(FolderPart(finding.entry.zipPath));
    }

    // Third pass: everything takes its right name.
    for (std::size_t i = 0; i < count; ++i) {
        WrongNameEntry& finding = game.wrongNameList[i];
        if (!finding.inZip) {
            if (stage[i] != Stage::Staged) {
                continue;
            }
            const std::string folder = FolderPart(finding.path);
            const std::string staged = folder + finding.rightName + "_vxt";
            finding.fixed = RenameNoReplace(staged, folder + finding.rightName);
            if (!finding.fixed) {
                (void)RenameNoReplace(staged, finding.path);
            }
            folders_.Invalidate(folder);
            continue;
        }
        if (stage[i] != Stage::Deleted) {
            continue;
        }
        // The library replaces a member of the added name; one that stayed (or that an earlier
        // finding took) must not be lost, so this member goes back under its old name instead.
        const auto members = ListQuietly(finding.entry.zipPath);
        const bool nameFree = !members || !OtherMemberNamed(*members, finding.rightName, {});
        finding.fixed = nameFree && zipLibrary_.AddFiles(finding.entry.zipPath, {extracted[i]},
                                                         /*junkPaths=*/true);
        if (!finding.fixed && !KeepMember(finding.entry, extracted[i], game.name)) {
            scratch.Keep();
        }
        folders_.Invalidate(FolderPart(finding.entry.zipPath));
    }
}

bool Fixer::FindCrcWindow(std::uint8_t* buffer, std::size_t length, std::size_t wantedLength,
                          std::uint32_t wantedCrc) {
    const auto offset = FindCrcWindowOffset(buffer, length, wantedLength, wantedCrc);
    if (!offset) {
        return false;
    }
    if (*offset != 0) {
        std::memmove(buffer, buffer + *offset, wantedLength);
    }
    return true;
}

void Fixer::ResizeRom(const std::string& filePath, const GameRecord& game, RomRecord& rom,
                      bool inZip, std::vector<ZipEntry>& entries) {
    if (!options_.FixLength) {
        return;
    }
    if (!Ask(FixKind::Length, "Resize Wrong Sized Roms In Gameset '" + game.description + "' ?",
             "\nDo you want to resize '" + filePath + "' ?")) {
        return;
    }
    const std::string expected = ExpectedRomName(rom);
    if (!inZip) {
        const std::string folder = FolderPart(filePath);
        const DirEntry* onDisk = folders_.Find(folder, FileNamePart(filePath));
        if (onDisk == nullptr || onDisk->isFolder) {
            return;
        }
        const std::string path = folder + onDisk->name;
        auto data = ReadWholeFile(path);
        if (!data || !FindCrcWindow(data->data(), data->size(), rom.size, rom.crc)) {
            return;
        }
        // A file of the right length is only checked; it needs no rewrite.
        rom.lengthFixed =
            data->size() == rom.size || ReplaceFileContents(path, data->data(), rom.size);
        folders_.Invalidate(folder);
        return;
    }

    if (rom.zipIndex >= entries.size() || !IsPlainName(expected)) {
        return;
    }
    const ZipEntry entry = entries[rom.zipIndex];
    const auto members = ListQuietly(entry.zipPath);
    if (!members || OtherMemberNamed(*members, expected, entry.storedName)) {
        return;
    }
    ScratchFolder scratch(scratchFolder_);
    if (!scratch.Ok()) {
        return;
    }
    // The extracted original stays untouched until the archive holds the cut copy, so a
    // failed rewrite can put it back.
    const std::string original = scratch.Path() + expected + ".original";
    if (!ExtractZipEntry(entry, original, dialogs_)) {
        return;
    }
    auto data = ReadWholeFile(original);
    if (!data || !FindCrcWindow(data->data(), data->size(), rom.size, rom.crc)) {
        return;
    }
    const std::string cut = scratch.Path() + expected;
    if (!WriteFileFromBuffer(cut, data->data(), rom.size)) {
        return;
    }
    rom.lengthFixed = ReplaceMember(entry, cut, original, SetNameOfArchive(entry.zipPath), scratch);
}

bool Fixer::BackUp(const UnneededEntry& item) {
    const BackupStore backups(programFolder_);
    const std::string name = FileNamePart(WithoutTrailingSeparator(item.path));
    if (name.empty()) {
        return false;
    }
    if (!item.inZip) {
        // A link to a folder goes as a link; what it points at is not touched.
        if (IsSymbolicLink(WithoutTrailingSeparator(item.path)) &&
            IsFolder(WithoutTrailingSeparator(item.path))) {
            return true;
        }
        return backups.CopyIn(WithoutTrailingSeparator(item.path), item.setName, name).has_value();
    }
    ScratchFolder scratch(scratchFolder_);
    if (!scratch.Ok()) {
        return false;
    }
    ZipEntry entry = item.entry;
    if (entry.zipPath.empty()) {
        entry.zipPath = item.zipPath;
    }
    const std::string extracted = scratch.Path() + name;
    return ExtractZipEntry(entry, extracted, dialogs_) &&
           backups.MoveFileIn(extracted, item.setName, name).has_value();
}

void Fixer::RemoveLoose(UnneededEntry& item) {
    const std::string path = WithoutTrailingSeparator(item.path);
    item.removed =
        IsFolder(path) && !IsSymbolicLink(path) ? RemoveFolderTree(path) : DeleteFileForced(path);
    item.pendingZipRemoval = false;
    const std::string holder = FolderPart(path);
    folders_.Invalidate(holder);
    // Only a set's own folder goes when emptied; a configured rom or sample folder stays.
    if (item.removed &&
        EqualsIgnoringCase(FileNamePart(WithoutTrailingSeparator(holder)), item.setName)) {
        if (RemoveEmptyFolder(WithoutTrailingSeparator(holder))) {
            folders_.Invalidate(FolderPart(WithoutTrailingSeparator(holder)));
        }
    }
}

void Fixer::RemovePendingMembers(GameRecord& game) {
    // One rewrite per archive, in the order the archives first appear.
    std::vector<std::string> archives;
    for (const UnneededEntry& item : game.unneededList) {
        if (item.inZip && item.pendingZipRemoval) {
            bool known = false;
            for (const std::string& archive : archives) {
                known = known || archive == item.zipPath;
            }
            if (!known) {
                archives.push_back(item.zipPath);
            }
        }
    }
    for (const std::string& archive : archives) {
        std::vector<std::string> names;
        for (const UnneededEntry& item : game.unneededList) {
            if (item.inZip && item.pendingZipRemoval && item.zipPath == archive) {
                names.push_back(item.memberName);
            }
        }
        const bool deleted = zipLibrary_.DeleteMembers(archive, names);
        for (UnneededEntry& item : game.unneededList) {
            if (item.inZip && item.pendingZipRemoval && item.zipPath == archive) {
                item.removed = deleted;
            }
        }
        folders_.Invalidate(FolderPart(archive));
        // An archive left without members goes. One that cannot be read is kept: it may
        // still hold other members.
        if (const auto members = ListQuietly(archive); members && members->empty()) {
            DeleteFileForced(archive);
        }
    }
}

void Fixer::RemoveUnneeded(GameRecord& game) {
    if (!options_.FixUnneeded) {
        return;
    }
    for (UnneededEntry& item : game.unneededList) {
        if (item.removed || item.awaitsRename) {
            continue;
        }
        const bool remove =
            Ask(FixKind::Unneeded,
                "Remove Unneeded File/Folder In Gameset '" + game.description + "' ?",
                "\nDo you want to delete '" + item.path +
                    "' ?\n\nIf 'backup' is enabled this file/folder will be stored in your "
                    "backupfolder !");
        if (consent_.StopRequested()) {
            return;
        }
        if (!remove) {
            continue;
        }
        // Nothing goes whose backup copy failed.
        if (options_.Backup && !BackUp(item)) {
            continue;
        }
        if (item.inZip) {
            item.pendingZipRemoval = true;
        } else {
            RemoveLoose(item);
        }
    }
    if (consent_.Decision(FixKind::Unneeded)) {
        RemovePendingMembers(game);
    }
}

}  // namespace vextral
