#include "fixer/Fixer.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

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

std::string ExpectedRomName(const RomRecord& rom, const RomFinding& found) {
    return found.lookupName.empty() ? rom.name : found.lookupName;
}

// A name a member can take as it is: no folder part, nothing a path would read specially.
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

// True when a member other than except bears name (ignoring case): renaming or adding a
// member of that name could meet it.
bool OtherMemberNamed(const std::vector<ZipEntry>& members, const std::string& name,
                      const ZipEntry* except) {
    for (const ZipEntry& member : members) {
        if ((except == nullptr || !(member == *except)) &&
            EqualsIgnoringCase(member.storedName, name)) {
            return true;
        }
    }
    return false;
}

bool Contains(const std::vector<ZipEntry>& members, const ZipEntry& entry) {
    return std::find(members.begin(), members.end(), entry) != members.end();
}

// Renames from to to through an intermediate name, never replacing anything; when the second
// step fails the first is undone.
bool RenameVia(ChangeJournal& journal, const std::string& from, const std::string& to,
               const std::string& suffix) {
    const std::string intermediate = from + suffix;
    if (!journal.Rename(from, intermediate)) {
        return false;
    }
    if (journal.Rename(intermediate, to)) {
        return true;
    }
    (void)journal.Rename(intermediate, from);
    return false;
}

// The member an unneeded item stands for, with the archive it lies in.
ZipEntry MemberOf(const UnneededEntry& item) {
    ZipEntry entry = item.entry;
    if (entry.zipPath.empty()) {
        entry.zipPath = item.zipPath;
    }
    return entry;
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

std::optional<std::vector<ZipEntry>> Fixer::ListWith(const ZipEntry& entry) const {
    auto members = ListQuietly(entry.zipPath);
    if (!members || !Contains(*members, entry)) {
        return std::nullopt;
    }
    return members;
}

void Fixer::Renamed(const std::string& folder, const std::string& from, const std::string& to,
                    bool done) {
    if (done) {
        folders_.Renamed(folder, from, to);
    } else {
        // A rename that failed was undone, unless undoing failed too: listed again.
        folders_.Invalidate(folder);
    }
}

void Fixer::Rewritten(const std::string& folder, bool done) {
    if (done) {
        folders_.Rewritten(folder);
    } else {
        folders_.Invalidate(folder);
    }
}

bool Fixer::RenameInZip(const ZipEntry& entry, const std::string& newName) {
    if (!IsPlainName(newName)) {
        return false;
    }
    // Never next to a member of that name, whatever its case: one of them would be lost to
    // every lookup that ignores case.
    const auto members = ListWith(entry);
    if (!members || OtherMemberNamed(*members, newName, &entry)) {
        return false;
    }
    const auto archive = journal_->OpenArchive(zipLibrary_, entry.zipPath, ZipOpenMode::Existing);
    const auto index = archive->IndexOf(entry, *members);
    const bool renamed = index && archive->Rename(*index, newName) && archive->Commit();
    Rewritten(FolderPart(entry.zipPath), renamed);
    return renamed;
}

bool Fixer::FixFileSpelling(const std::string& expectedPath, const std::string& expectedName,
                            std::uint32_t zipIndex, bool inZip, std::vector<ZipEntry>& entries,
                            const std::string& caption, std::string& foundName, bool& nameCaseOk,
                            bool& caseFixed, FixResult& result) {
    std::string found;
    std::string fullPath;
    bool blocked = false;
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
        // As in an archive: never beside another file of the new name in another case.
        const std::size_t sameName = folders_.Listing(folder).CountIgnoringCase(expectedName);
        blocked = sameName > (EqualsIgnoringCase(found, expectedName) ? 1u : 0u);
    }
    foundName = found;
    nameCaseOk = found == expectedName;
    if (nameCaseOk || !options_.FixSpelling) {
        return false;
    }
    if (!Ask(FixKind::Spelling, caption,
             "\nDo you want to rename '" + found + "' as '" + expectedName + "' ?")) {
        result.status = FixStatus::Declined;
        return false;
    }
    if (inZip) {
        const ZipEntry entry = entries[zipIndex];
        caseFixed = RenameInZip(entry, expectedName);
        result.Add(ChangeKind::Renamed, entry.zipPath, entry.storedName, expectedName);
        result.Finish(caseFixed, "the archive could not be changed");
        ZipReader reader(dialogs_);
        if (!reader.ReadZipDirectory(entry.zipPath, entries, /*requireZipExtension=*/false,
                                     /*reportErrors=*/true)) {
            entries.clear();
        }
        return true;
    }
    caseFixed = !blocked && RenameVia(*journal_, fullPath, folder + expectedName, "_tmp");
    result.Add(ChangeKind::Renamed, fullPath, {}, folder + expectedName);
    result.Finish(caseFixed, blocked ? "another file bears the name in another case"
                                     : "the file could not be renamed");
    Renamed(folder, found, expectedName, caseFixed);
    return false;
}

FixResult Fixer::FixRomSpelling(const std::string& expectedPath, const RomRecord& rom,
                                RomFinding& found, bool inZip, std::vector<ZipEntry>& entries,
                                const std::string& /*setPath*/, const GameRecord& game) {
    const std::string expected = ExpectedRomName(rom, found);
    FixResult result;
    const bool reread =
        FixFileSpelling(expectedPath, expected, found.zipIndex, inZip, entries,
                        "Fix Wrong Spelled Roms In Gameset '" + game.description + "' ?",
                        found.foundName, found.nameCaseOk, found.caseFixed, result);
    if (!reread) {
        return result;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (EqualsIgnoringCase(entries[i].name, expected)) {
            found.zipIndex = static_cast<std::uint32_t>(i);
            break;
        }
    }
    return result;
}

FixResult Fixer::FixSampleSpelling(const std::string& expectedPath, const SampleRecord& sample,
                                   SampleFinding& found, bool inZip, std::vector<ZipEntry>& entries,
                                   const std::string& /*setPath*/, const GameRecord& game) {
    // The sample keeps its entry index: nothing reads a sample's member after its case check.
    FixResult result;
    (void)FixFileSpelling(expectedPath, sample.name, found.zipIndex, inZip, entries,
                          "Fix Wrong Spelled Samples In Gameset '" + game.description + "' ?",
                          found.foundName, found.nameCaseOk, found.caseFixed, result);
    return result;
}

FixResult Fixer::FixGameSpelling(const std::string& setPath, const GameRecord& game,
                                 GameFindings& findings) {
    FixResult result;
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
        return result;
    }
    findings.foundSetName = found;
    findings.setNameOk = right;
    if (right || !options_.FixSpelling) {
        return result;
    }
    // The set is renamed to the name of its location, which is the game's name except where
    // a clone's set lies in its parent's.
    if (!Ask(FixKind::Spelling, "Fix Wrong Spelled Game '" + game.description + "' ?",
             "\nDo you want to rename '" + found + "' as '" + setName + "' ?")) {
        result.status = FixStatus::Declined;
        return result;
    }
    const std::string target = isZip ? setPath + ".zip" : setPath;
    findings.setNameFixed = RenameVia(*journal_, fullPath, target, "_tmp");
    result.Add(ChangeKind::Renamed, fullPath, {}, target);
    result.Finish(findings.setNameFixed, "the set could not be renamed");
    Renamed(folder, FileNamePart(fullPath), FileNamePart(target), findings.setNameFixed);
    return result;
}

FixResult Fixer::FixWrongNamedRoms(const GameRecord& game, std::vector<WrongNameEntry>& findings) {
    FixResult result;
    // The list grows over the rom folders of one game; what an earlier folder's pass fixed
    // is neither asked about nor touched again.
    const bool anyUnfixed = std::any_of(findings.begin(), findings.end(),
                                        [](const WrongNameEntry& e) { return !e.fixed; });
    if (!anyUnfixed || !options_.FixName) {
        return result;
    }
    if (!Ask(FixKind::Name, "Fix All Wrong Named Roms In Gameset '" + game.description + "' ?",
             "\nDo you want to rename all wrong named roms in '" + game.description + "' ?")) {
        result.status = FixStatus::Declined;
        return result;
    }
    std::vector<bool> wasFixed;
    for (const WrongNameEntry& finding : findings) {
        wasFixed.push_back(finding.fixed);
    }
    const auto pending = [](const WrongNameEntry& finding) {
        return !finding.fixed && IsPlainName(finding.rightName);
    };

    // Loose files first all take a staging name, so that two swapped names never meet.
    std::vector<bool> staged(findings.size(), false);
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const WrongNameEntry& finding = findings[i];
        if (!finding.inZip && pending(finding)) {
            staged[i] = journal_->Rename(finding.path,
                                         FolderPart(finding.path) + finding.rightName + "_vxt");
        }
    }

    // Members: one transaction per archive, in the order the archives first appear.
    std::vector<std::string> archives;
    for (const WrongNameEntry& finding : findings) {
        if (finding.inZip && pending(finding) &&
            std::find(archives.begin(), archives.end(), finding.entry.zipPath) == archives.end()) {
            archives.push_back(finding.entry.zipPath);
        }
    }
    for (const std::string& archive : archives) {
        RenameMembers(findings, archive, result);
    }

    for (std::size_t i = 0; i < findings.size(); ++i) {
        WrongNameEntry& finding = findings[i];
        if (!staged[i]) {
            continue;
        }
        const std::string folder = FolderPart(finding.path);
        const std::string stagedPath = folder + finding.rightName + "_vxt";
        finding.fixed = journal_->Rename(stagedPath, folder + finding.rightName);
        if (!finding.fixed) {
            (void)journal_->Rename(stagedPath, finding.path);
        }
        result.Add(ChangeKind::Renamed, finding.path, {}, folder + finding.rightName);
        Renamed(folder, FileNamePart(finding.path), finding.rightName, finding.fixed);
    }
    // Done when every finding this pass could take on was fixed.
    bool all = true;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        all = all && (wasFixed[i] || findings[i].fixed);
    }
    result.Finish(all, "not every wrongly named file could take its right name");
    return result;
}

void Fixer::RenameMembers(std::vector<WrongNameEntry>& findings, const std::string& zipPath,
                          FixResult& result) {
    const auto members = ListQuietly(zipPath);
    if (!members) {
        return;
    }
    const auto archive = journal_->OpenArchive(zipLibrary_, zipPath, ZipOpenMode::Existing);
    struct Rename {
        std::size_t finding;
        std::uint64_t index;
        const ZipEntry* member;  // in members
    };
    std::vector<Rename> renames;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const WrongNameEntry& finding = findings[i];
        if (finding.fixed || !finding.inZip || finding.entry.zipPath != zipPath ||
            !IsPlainName(finding.rightName)) {
            continue;
        }
        const auto index = archive->IndexOf(finding.entry, *members);
        const bool twice = std::any_of(renames.begin(), renames.end(),
                                       [&](const Rename& r) { return index && r.index == *index; });
        if (index && !twice) {
            const auto member = std::find(members->begin(), members->end(), finding.entry);
            renames.push_back({i, *index, &*member});
        }
    }

    // A right name that a member keeps (or that an earlier finding takes) is not taken again:
    // that finding stays, and keeps its old name, which may in turn block another.
    for (bool dropped = true; dropped;) {
        dropped = false;
        std::unordered_set<std::string> taken;
        for (const ZipEntry& member : *members) {
            const bool renamed = std::any_of(renames.begin(), renames.end(),
                                             [&](const Rename& r) { return r.member == &member; });
            if (!renamed) {
                taken.insert(ToLowerAscii(member.storedName));
            }
        }
        for (auto r = renames.begin(); r != renames.end(); ++r) {
            if (!taken.insert(ToLowerAscii(findings[r->finding].rightName)).second) {
                renames.erase(r);
                dropped = true;
                break;
            }
        }
    }
    if (renames.empty()) {
        return;
    }

    // Every member first takes a name no member bears, then its right one: swapped names
    // pass each other inside the one transaction.
    std::unordered_set<std::string> names;
    for (const ZipEntry& member : *members) {
        names.insert(member.storedName);
    }
    bool ok = true;
    for (std::size_t k = 0; k < renames.size() && ok; ++k) {
        std::string intermediate = "vxt-swap-" + std::to_string(k);
        while (names.contains(intermediate)) {
            intermediate += "_";
        }
        names.insert(intermediate);
        ok = archive->Rename(renames[k].index, intermediate);
    }
    for (std::size_t k = 0; k < renames.size() && ok; ++k) {
        ok = archive->Rename(renames[k].index, findings[renames[k].finding].rightName);
    }
    ok = ok && archive->Commit();
    for (const Rename& rename : renames) {
        findings[rename.finding].fixed = ok;
        result.Add(ChangeKind::Renamed, zipPath, rename.member->storedName,
                   findings[rename.finding].rightName);
    }
    Rewritten(FolderPart(zipPath), ok);
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

FixResult Fixer::ResizeRom(const std::string& filePath, const GameRecord& game,
                           const RomRecord& rom, RomFinding& found, bool inZip,
                           std::vector<ZipEntry>& entries) {
    FixResult result;
    if (!options_.FixLength) {
        return result;
    }
    if (!Ask(FixKind::Length, "Resize Wrong Sized Roms In Gameset '" + game.description + "' ?",
             "\nDo you want to resize '" + filePath + "' ?")) {
        result.status = FixStatus::Declined;
        return result;
    }
    const auto fail = [&result](std::string reason) {
        result.Finish(false, std::move(reason));
        return result;
    };
    const std::string expected = ExpectedRomName(rom, found);
    if (!inZip) {
        const std::string folder = FolderPart(filePath);
        const DirEntry* onDisk = folders_.Find(folder, FileNamePart(filePath));
        if (onDisk == nullptr || onDisk->isFolder) {
            return fail("the file is gone");
        }
        const std::string path = folder + onDisk->name;
        const auto offset = FindCrcWindowInFile(path, rom.size, rom.crc);
        if (!offset) {
            return fail("no part of the file has the ROM's checksum");
        }
        // A file of the right length is only checked. Otherwise the kept part is written
        // beside the file and renamed over it once complete.
        found.lengthFixed =
            FileLength(path) == rom.size ||
            journal_->CopyPart(path, FileRange{*offset, rom.size}, path, CopyMode::ReplaceExisting);
        result.Add(ChangeKind::Rewritten, path);
        result.Finish(found.lengthFixed, "the cut file could not be written");
        Rewritten(folder, found.lengthFixed);
        return result;
    }

    if (found.zipIndex >= entries.size() || !IsPlainName(expected)) {
        return fail("the member is not known");
    }
    const ZipEntry entry = entries[found.zipIndex];
    const auto members = ListWith(entry);
    if (!members || OtherMemberNamed(*members, expected, &entry)) {
        return fail("the archive changed or holds the name twice");
    }
    // Declared before the archive: the cut file is read when the archive is committed.
    ScratchFolder scratch(scratchFolder_);
    if (!scratch.Ok()) {
        return fail("no scratch folder");
    }
    const std::string original = scratch.Path() + expected + ".original";
    if (!ExtractZipEntry(entry, original, dialogs_)) {
        return fail("the member could not be extracted");
    }
    const auto offset = FindCrcWindowInFile(original, rom.size, rom.crc);
    const std::string cut = scratch.Path() + expected;
    if (!offset ||
        !CopyFilePart(original, FileRange{*offset, rom.size}, cut, CopyMode::KeepExisting)) {
        return fail("no part of the member has the ROM's checksum");
    }
    // The member keeps its place, takes the cut data and the expected name, all at once.
    const auto archive = journal_->OpenArchive(zipLibrary_, entry.zipPath, ZipOpenMode::Existing);
    const auto index = archive->IndexOf(entry, *members);
    found.lengthFixed = index && archive->Replace(*index, cut) &&
                        (entry.storedName == expected || archive->Rename(*index, expected)) &&
                        archive->Commit();
    result.Add(ChangeKind::Rewritten, entry.zipPath, entry.storedName,
               entry.storedName == expected ? std::string() : expected);
    result.Finish(found.lengthFixed, "the archive could not be changed");
    Rewritten(FolderPart(entry.zipPath), found.lengthFixed);
    return result;
}

bool Fixer::MayRemoveLoose(const UnneededEntry& item) const {
    const std::string path = WithoutTrailingSeparator(item.path);
    // The program folder holds the backups and scratch copies: never removed nor copied into
    // itself, whether the item is it, holds it or lies in it.
    if (IsSameOrInside(programFolder_, path) || IsSameOrInside(path, programFolder_)) {
        return false;
    }
    // What cannot be read whole cannot be kept whole.
    return !IsFolder(path) || IsSymbolicLink(path) || IsReadableTree(path);
}

bool Fixer::BackUp(const UnneededEntry& item, FixResult& result) {
    const BackupStore backups(programFolder_, &*journal_);
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
        const auto copy = backups.CopyIn(WithoutTrailingSeparator(item.path), item.setName, name);
        if (copy) {
            result.Add(ChangeKind::Added, *copy);
        }
        return copy.has_value();
    }
    ScratchFolder scratch(scratchFolder_);
    if (!scratch.Ok()) {
        return false;
    }
    const std::string extracted = scratch.Path() + name;
    if (!ExtractZipEntry(MemberOf(item), extracted, dialogs_)) {
        return false;
    }
    const auto copy = backups.MoveFileIn(extracted, item.setName, name);
    if (copy) {
        result.Add(ChangeKind::Added, *copy);
    }
    return copy.has_value();
}

void Fixer::RemoveLoose(UnneededEntry& item, FixResult& result) {
    const std::string path = WithoutTrailingSeparator(item.path);
    item.removed = IsFolder(path) && !IsSymbolicLink(path) ? journal_->RemoveTree(path)
                                                           : journal_->RemoveFile(path);
    result.Add(ChangeKind::Removed, path);
    item.pendingZipRemoval = false;
    const std::string holder = FolderPart(path);
    if (item.removed) {
        folders_.Removed(holder, FileNamePart(path));
    } else {
        folders_.Invalidate(holder);
    }
    // Only a set's own folder goes when emptied; a configured rom or sample folder stays.
    if (item.removed &&
        EqualsIgnoringCase(FileNamePart(WithoutTrailingSeparator(holder)), item.setName)) {
        if (journal_->RemoveEmptyFolder(WithoutTrailingSeparator(holder))) {
            result.Add(ChangeKind::Removed, WithoutTrailingSeparator(holder));
            folders_.Removed(FolderPart(WithoutTrailingSeparator(holder)),
                             FileNamePart(WithoutTrailingSeparator(holder)));
        }
    }
}

void Fixer::RemovePendingMembers(std::vector<UnneededEntry>& items, FixResult& result) {
    // One transaction per archive, in the order the archives first appear.
    std::vector<std::string> archives;
    for (const UnneededEntry& item : items) {
        if (item.inZip && item.pendingZipRemoval &&
            std::find(archives.begin(), archives.end(), item.zipPath) == archives.end()) {
            archives.push_back(item.zipPath);
        }
    }
    for (const std::string& zipPath : archives) {
        const auto members = ListQuietly(zipPath);
        const auto archive = journal_->OpenArchive(zipLibrary_, zipPath, ZipOpenMode::Existing);
        std::vector<UnneededEntry*> deleted;
        bool ok = members.has_value();
        for (UnneededEntry& item : items) {
            if (!ok || !item.inZip || !item.pendingZipRemoval || item.zipPath != zipPath) {
                continue;
            }
            // Each item is the member it was found as; one whose member is not certain stays
            // and so does every other member of its name.
            if (const auto index = archive->IndexOf(MemberOf(item), *members)) {
                ok = archive->Delete(*index);
                deleted.push_back(&item);
            }
        }
        ok = ok && !deleted.empty() && archive->Commit();
        for (UnneededEntry* item : deleted) {
            item->removed = ok;
            result.Add(ChangeKind::Removed, zipPath, item->entry.storedName);
        }
        Rewritten(FolderPart(zipPath), ok);
        // An archive left with folder records alone holds nothing; it goes as an emptied one.
        if (const auto left = ListQuietly(zipPath); ok && left && left->empty()) {
            if (journal_->RemoveFile(zipPath)) {
                result.Add(ChangeKind::Removed, zipPath);
                folders_.Removed(FolderPart(zipPath), FileNamePart(zipPath));
            } else {
                folders_.Invalidate(FolderPart(zipPath));
            }
        }
    }
}

FixResult Fixer::RemoveUnneeded(const GameRecord& game, std::vector<UnneededEntry>& items) {
    FixResult result;
    if (!options_.FixUnneeded) {
        return result;
    }
    bool asked = false;
    for (UnneededEntry& item : items) {
        if (item.removed || item.awaitsRename) {
            continue;
        }
        const bool remove =
            Ask(FixKind::Unneeded,
                "Remove Unneeded File/Folder In Gameset '" + game.description + "' ?",
                "\nDo you want to delete '" + item.path +
                    "' ?\n\nIf 'backup' is enabled this file/folder will be stored in your "
                    "backupfolder !");
        asked = true;
        if (consent_.StopRequested()) {
            result.status = FixStatus::Declined;
            return result;
        }
        if (!remove || (!item.inZip && !MayRemoveLoose(item))) {
            continue;
        }
        // Nothing goes whose backup copy failed.
        if (options_.Backup && !BackUp(item, result)) {
            continue;
        }
        if (item.inZip) {
            item.pendingZipRemoval = true;
        } else {
            RemoveLoose(item, result);
        }
    }
    if (consent_.Decision(FixKind::Unneeded)) {
        RemovePendingMembers(items, result);
    }
    if (!asked) {
        return result;
    }
    const bool all = std::all_of(items.begin(), items.end(), [](const UnneededEntry& item) {
        return item.removed || item.awaitsRename;
    });
    if (all || !result.changes.empty()) {
        result.Finish(all, "not every unneeded entry could be removed");
    } else {
        result.status = FixStatus::Declined;
    }
    return result;
}

}  // namespace vextral
